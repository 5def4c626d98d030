// vantoria-batch INPUT OUTPUT STEP...: opens INPUT, performs each step as the editor would,
// and saves OUTPUT in the format its extension names.
// Exit status: 0 done; 1 the input could not be read or the output not written; 2 bad usage
// or a step that cannot be performed (nothing is written then).
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <vector>

#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "tools/batch_steps.h"

namespace vantoria::batch {
namespace {

enum ExitStatus { kDone = 0, kFileFailed = 1, kBadStep = 2 };

QString Usage() {
  return QStringLiteral(
      "用法：vantoria-batch 输入文件 输出文件 步骤...\n"
      "      vantoria-batch --help | --formats\n"
      "输出文件的格式由扩展名决定。\n");
}

// Holds the selection as the view does: it keeps its place when the image changes size, and
// the dispatcher clamps what it is handed to the current image.
class BatchHost : public DispatchHost {
 public:
  explicit BatchHost(CVantoriaDoc& document) : m_document(document) {}
  CVantoriaDoc* ActiveDocument() override { return &m_document; }
  std::optional<Region> GetSelectionRect() override { return m_selection; }
  void ShowMessage(const QString& text) override { m_messages.append(text); }

  void Select(std::optional<Region> region) { m_selection = region; }
  QStringList TakeMessages() { return std::exchange(m_messages, {}); }

 private:
  CVantoriaDoc& m_document;
  std::optional<Region> m_selection;
  QStringList m_messages;
};

class BatchRun {
 public:
  BatchRun(QTextStream& errors) : m_errors(errors), m_host(m_document), m_dispatcher(m_host) {}

  int Run(const QString& input, const QString& output, const std::vector<Step>& steps) {
    if (!m_document.OnOpenDocument(input)) {
      m_errors << m_document.GetLastError() << '\n';
      return kFileFailed;
    }
    m_document.SetPathName(input);
    for (std::size_t index = 0; index < steps.size(); ++index) {
      if (const int status = Perform(steps[index], index + 1); status != kDone) {
        return status;
      }
    }
    if (!m_document.DoSave(output, true)) {
      m_errors << m_document.GetLastError() << '\n';
      return kFileFailed;
    }
    return kDone;
  }

 private:
  int Refuse(const Step& step, std::size_t number, const QString& reason, int status) {
    m_errors << QStringLiteral("第 %1 步“%2”：%3").arg(number).arg(step.text, reason) << '\n';
    return status;
  }

  int Perform(const Step& step, std::size_t number) {
    const PixelImage& image = *m_document.GetImage();
    if (const auto* select = std::get_if<SelectRegion>(&step.action)) {
      if (!RegionInside(select->region, image)) {
        return Refuse(step, number,
                      QStringLiteral("选区不在图像之内（图像为 %1 × %2 像素）")
                          .arg(image.width)
                          .arg(image.height),
                      kBadStep);
      }
      m_host.Select(select->region);
    } else if (std::holds_alternative<SelectAll>(step.action)) {
      m_host.Select(image.width > 0 && image.height > 0
                        ? std::optional<Region>(Region{0, 0, image.width - 1, image.height - 1})
                        : std::nullopt);
    } else if (std::holds_alternative<SelectNone>(step.action)) {
      m_host.Select(std::nullopt);
    } else if (std::holds_alternative<UndoStep>(step.action)) {
      // Nothing to undo or redo does nothing, as in the editor; a step that cannot be taken
      // (no memory for its picture) must not end in a picture written as if it had been.
      if (m_document.CanUndo() && !m_document.Undo()) {
        return Refuse(step, number, texts::OutOfMemory(), kBadStep);
      }
    } else if (std::holds_alternative<RedoStep>(step.action)) {
      if (m_document.CanRedo() && !m_document.Redo()) {
        return Refuse(step, number, texts::OutOfMemory(), kBadStep);
      }
    } else {
      m_dispatcher.Dispatch(std::get<PostMessage>(step.action).message);
      const QStringList messages = m_host.TakeMessages();
      if (!messages.isEmpty()) {
        return Refuse(step, number, messages.join(' '), kBadStep);
      }
    }
    return kDone;
  }

  QTextStream& m_errors;
  CVantoriaDoc m_document;
  BatchHost m_host;
  OperationDispatcher m_dispatcher;
};

QString FormatList() {
  QString text;
  for (const ImageEncoder& encoder : ListImageEncoders()) {
    text += QStringLiteral("%1\t%2\n").arg(encoder.description, encoder.patterns);
  }
  return text;
}

int Main(const QStringList& arguments) {
  QTextStream out(stdout);
  QTextStream errors(stderr);
  if (arguments.contains("--help")) {
    out << Usage() << '\n' << StepHelp();
    return kDone;
  }
  if (arguments.contains("--formats")) {
    out << FormatList();
    return kDone;
  }
  if (arguments.size() < 2) {
    errors << QStringLiteral("缺少输入文件或输出文件。\n") << Usage();
    return kBadStep;
  }
  std::vector<Step> steps;
  for (qsizetype k = 2; k < arguments.size(); ++k) {
    QString error;
    std::optional<Step> step = ParseStep(arguments[k], &error);
    if (!step) {
      errors << error << '\n';
      return kBadStep;
    }
    steps.push_back(*step);
  }
  return BatchRun(errors).Run(arguments[0], arguments[1], steps);
}

}  // namespace
}  // namespace vantoria::batch

int main(int argc, char** argv) {
  // Some readers draw (SVG text needs Qt's font database), which takes the GUI side of Qt;
  // the batch tool shows no window, so it never needs a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  return vantoria::batch::Main(application.arguments().mid(1));
}
