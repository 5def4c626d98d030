// Vantoria: a desktop image editor.
#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/vantoria_app.h"
#include "res/app_resources.h"

namespace {

// The program speaks Chinese; Qt's own dialogs (file dialogs, message-box buttons) should too
// when the translations are installed, and dates and sizes read the Chinese way whatever the
// user's own locale.
void InstallQtTranslations(QApplication& application, QTranslator& translator) {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  if (translator.load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    application.installTranslator(&translator);
  }
}

QStringList FilesFromCommandLine(const QApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Vantoria image editor"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("image"),
                               QStringLiteral("Image files to open at start-up."),
                               QStringLiteral("[image...]"));
  parser.process(application);  // --help and --version print and end the program here
  return parser.positionalArguments();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral("1.0"));
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
