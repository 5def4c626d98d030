// Vantoria: a desktop image editor.
#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/vantoria_app.h"
#include "res/app_resources.h"

namespace {

// The program speaks Chinese; Qt's own texts (file dialogs, message-box buttons, the command
// line's help) should too when the translations are installed, and dates and sizes read the
// Chinese way whatever the user's own locale.
void InstallQtTranslations(QCoreApplication& application, QTranslator& translator) {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  if (translator.load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    application.installTranslator(&translator);
  }
}

// Qt's file dialog writes dates and sizes in the system locale, which comes from the
// environment: the process says Chinese for times and numbers before Qt reads it. The user's
// character encoding stays.
void UseChineseFormats() {
  const QByteArray all = qgetenv("LC_ALL");
  if (!all.isEmpty()) {
    qunsetenv("LC_ALL");
    if (qEnvironmentVariableIsEmpty("LC_CTYPE")) {
      qputenv("LC_CTYPE", all);
    }
  }
  for (const char* category : {"LC_TIME", "LC_NUMERIC", "LC_MEASUREMENT"}) {
    qputenv(category, "zh_CN.UTF-8");
  }
}

QStringList FilesFromCommandLine(const QCoreApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Vantoria 图像编辑器"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("图像"), QStringLiteral("启动时打开的图像文件。"),
                               QStringLiteral("[图像...]"));
  parser.process(application);  // --help and --version print and end the program here
  return parser.positionalArguments();
}

// --help and --version answer without a display, so they are handled before a window system
// is looked for.
bool AsksOnlyForInformation(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    if (argument == "--") {
      return false;
    }
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
      if (argument == option) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationVersion(QStringLiteral(VANTORIA_VERSION));
  if (AsksOnlyForInformation(argc, argv)) {
    QCoreApplication application(argc, argv);
    QTranslator translator;
    InstallQtTranslations(application, translator);
    static_cast<void>(FilesFromCommandLine(application));  // it ends the program itself
    return 0;
  }
  UseChineseFormats();
  QApplication application(argc, argv);
  QApplication::setDesktopFileName(QStringLiteral("vantoria"));
  QApplication::setWindowIcon(vantoria::res::AppIcon());
  QTranslator translator;
  InstallQtTranslations(application, translator);

  vantoria::CVantoriaApp app;
  if (!app.InitInstance(FilesFromCommandLine(application))) {
    return 1;
  }
  return app.ExitInstance(QApplication::exec());
}
