// Catches batch runs unlike the editor, bad steps let through, wrong statuses, damaged outputs.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "operations/operation_table.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"
#include "tools/batch_steps.h"

namespace vantoria {
namespace {

struct BatchResult {
  int status;
  QString errors;
  QString output;
};

BatchResult RunBatch(const QStringList& arguments) {
  QProcess process;
  process.start(VANTORIA_BATCH_PATH, arguments);
  process.waitForFinished(60000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardError()),
          QString::fromUtf8(process.readAllStandardOutput())};
}

class BatchTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(5);
    picture = test::RandomImage(random, 15, 20);
    ASSERT_TRUE(EncodeImageFile(*picture, input, *GetEncoderClsid(input), nullptr));
  }
  // Runs the same steps through the dispatcher, as the editor would.
  ImagePtr ThroughDispatcher(const QStringList& steps) {
    test::TestHost host(CloneImage(*picture));
    for (const QString& text : steps) {
      QString error;
      const batch::Step step = *batch::ParseStep(text, &error);
      const PixelImage& image = *host.document.GetImage();
      if (auto* post = std::get_if<batch::PostMessage>(&step.action)) {
        host.dispatcher.Dispatch(post->message);
      } else if (auto* select = std::get_if<batch::SelectRegion>(&step.action)) {
        host.selection = select->region;
      } else if (std::holds_alternative<batch::SelectAll>(step.action)) {
        host.selection = Region{0, 0, image.width - 1, image.height - 1};
      } else if (std::holds_alternative<batch::SelectNone>(step.action)) {
        host.selection.reset();
      } else if (std::holds_alternative<batch::UndoStep>(step.action)) {
        static_cast<void>(host.document.Undo());
      } else {
        static_cast<void>(host.document.Redo());
      }
    }
    return CloneImage(*host.document.GetImage());
  }

  QTemporaryDir directory;
  ImagePtr picture;
  QString input = directory.filePath("input.png");
  QString output = directory.filePath("output.png");
};

TEST_F(BatchTool, StepsGiveTheSamePixelsAsTheDispatcher) {
  const QList<QStringList> runs = {
      {},
      {"invert", "select=2,3,10,8", "soften=gaussian", "undo", "redo", "hsl=30,-20,10"},
      {"brightness-contrast=100,0", "transparency=-40", "grayscale=weighted", "threshold=90"},
      {"select=1,1,12,9", "crop", "rotate=30", "select=0,0,5,5", "sketch", "mosaic=3"},
      {"resize=31,7", "mirror=vertical", "sharpen", "emboss", "redeye", "undo", "undo"},
      {"select=4,4,15,12", "soften=median", "select=all", "mirror=horizontal", "select=none",
       "soften=box"},
      {"select=5,5,14,12", "crop", "invert"},  // the kept selection is clamped to the crop
      {"select=19,14,19,14", "invert"}};       // the last pixel is inside
  for (const QStringList& steps : runs) {
    SCOPED_TRACE(steps.join(' ').toStdString());
    const BatchResult result = RunBatch(QStringList{input, output} + steps);
    ASSERT_EQ(result.status, 0) << result.errors.toStdString();
    ImagePtr written = DecodeImageFile(output, HalfOfPhysicalMemory(), nullptr);
    EXPECT_TRUE(written && test::ImagesEqual(*written, *ThroughDispatcher(steps)));
  }
}

// Status 1 for files, 2 for usage and steps; the output already there is left as it was.
TEST_F(BatchTool, RefusalsGiveTheirStatusAndLeaveTheOutputAlone) {
  const QString garbage = directory.filePath("garbage.png");
  ASSERT_TRUE(test::WriteFileBytes(garbage, "definitely not a picture"));
  const QString in = input;
  const QString out = output;
  const struct {
    QStringList arguments;
    int status;
  } rows[] = {{{in, out, "invert", "threshold=256"}, 2},
              {{in, out, "crop"}, 2},
              {{in, out, "select=0,0,20,14"}, 2},  // one column past the right edge
              {{in, out, "select=0,15,0,15", "invert"}, 2},
              {{in, out, "select=2147483647,2147483647,2147483647,2147483647"}, 2},
              {{in, out, "select=0,0,9,9", "crop", "select=0,0,10,9"}, 2},
              {{}, 2},
              {{in}, 2},
              {{directory.filePath("missing.png"), out}, 1},
              {{garbage, out}, 1},
              {{in, directory.filePath("no/such/dir/out.png")}, 1},
              {{in, directory.filePath("out.xyz"), "invert"}, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    const QString target = row.arguments.size() > 1 ? row.arguments[1] : out;
    const bool existed = test::WriteFileBytes(target, "an earlier result");
    const BatchResult result = RunBatch(row.arguments);
    EXPECT_EQ(result.status, row.status);
    EXPECT_FALSE(result.errors.isEmpty());
    EXPECT_EQ(QFile::exists(target), existed);
    EXPECT_EQ(test::FileBytes(target), existed ? QByteArray("an earlier result") : QByteArray());
    if (&row == rows) {  // a bad step is named
      EXPECT_TRUE(result.errors.contains("threshold=256")) << result.errors.toStdString();
    }
  }
}

TEST_F(BatchTool, HelpFormatsAndPicturesThatDrawTextWithoutADisplay) {
  const BatchResult help = RunBatch({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* step : {"brightness-contrast=B,C", "soften=box|gaussian|median", "undo"}) {
    EXPECT_TRUE(help.output.contains(QString::fromLatin1(step))) << step;
  }
  const BatchResult formats = RunBatch({"--formats"});
  EXPECT_EQ(formats.status, 0);
  EXPECT_TRUE(formats.output.contains("*.PNG") && formats.output.contains("JPEG"));
  if (!QImageReader::supportedImageFormats().contains("svg")) {
    GTEST_SKIP() << "no SVG reader installed";
  }
  const QString svg = directory.filePath("label.svg");
  ASSERT_TRUE(
      test::WriteFileBytes(svg,
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"6\">"
                           "<text x=\"1\" y=\"5\" font-size=\"4\">A</text></svg>"));
  const BatchResult result = RunBatch({svg, output, "invert"});
  EXPECT_EQ(result.status, 0) << result.errors.toStdString();
  ImagePtr written = DecodeImageFile(output, HalfOfPhysicalMemory(), nullptr);
  EXPECT_TRUE(written && written->width == 8);
}

TEST(BatchSteps, BadStepsAreRefusedNamingThemselves) {
  const char* const bad[] = {
      // unknown names, a value where none is taken or missing where one is
      "blur", "invert=1", "crop=1", "undo=2", "threshold", "threshold=", "resize=5",
      "hsl=", "hsl=1,2", "select=", "select=,,,", "select=1,2,3", "rotate=,", "",
      "mirror=", "grayscale=median",
      // extra values or text
      "hsl=1,2,3,4", "threshold=5,", "rotate=90,0", "select=0,0,1,1,1", "threshold=12x",
      // just out of range
      "threshold=256", "threshold=-1", "brightness-contrast=101,0", "brightness-contrast=0,-101",
      "transparency=101", "rotate=360", "mosaic=0", "mosaic=65536", "mosaic=-1", "resize=0,5",
      "resize=5,32768", "resize=65536,1", "select=-1,0,3,3",
      // not a whole decimal number
      "threshold=abc", "transparency=abc", "resize=1e3,5", "rotate=0x10", "rotate= 5", "rotate=5 ",
      "mosaic=2.0", "hsl=1.5,0,0", "hsl=a,b,c",
      // huge numbers
      "rotate=99999999999999999999", "resize=99999999999999999999,1", "mosaic=18446744073709551617",
      "threshold=-99999999999999999999", "select=0,0,2147483648,1",
      // an empty selection: right of left or above top
      "select=5,5,4,5", "select=5,5,5,4", "select=5,5,2,2"};
  for (const char* text : bad) {
    QString error;
    EXPECT_FALSE(batch::ParseStep(QString::fromLatin1(text), &error)) << text;
    EXPECT_TRUE(error.contains(QString::fromLatin1(text))) << text;
  }
}

TEST(BatchSteps, DialogStepsPostTheOkMessageOfTheirDialog) {
  const struct {
    const char* text;
    ops::OperationMessage message;
  } rows[] = {{"brightness-contrast=-100,100", {ops::WM_OP_BRIGHTNESS_CONTRAST, 1, 0u | 200u << 8}},
              {"rotate=90", {ops::WM_OP_ROTATE, 1, 90}},
              {"mirror=vertical", {ops::WM_OP_MIRROR, 64, 0}}};
  for (const auto& row : rows) {
    QString error;
    const auto step = batch::ParseStep(row.text, &error);
    ASSERT_TRUE(step) << row.text;
    EXPECT_EQ(std::get<batch::PostMessage>(step->action).message, row.message) << row.text;
  }
}

// Every row of the table is reachable: its step, at the ends of its ranges, posts a message that
// finds the row again and unpacks to the values written; the help names it.
TEST(BatchSteps, EveryOperationRowParsesToItselfAndIsInTheHelp) {
  const QString help = batch::StepHelp();
  for (const ops::OperationRow& row : ops::OperationTable()) {
    EXPECT_TRUE(help.contains(QString::fromUtf8(row.help).section('%', 0, 0))) << row.batchName;
    for (const bool high : {false, true}) {
      QStringList values;
      for (int k = 0; k < row.parameterCount; ++k) {
        values.append(QString::number(high ? row.ranges[k].high : row.ranges[k].low));
      }
      QString text = QString::fromLatin1(row.batchName);
      if (row.variantName || !values.isEmpty()) {
        text += '=' + (row.variantName ? QString::fromLatin1(row.variantName) : values.join(','));
      }
      QString error;
      const auto parsed = batch::ParseStep(text, &error);
      ASSERT_TRUE(parsed) << error.toStdString();
      const ops::OperationMessage message = std::get<batch::PostMessage>(parsed->action).message;
      EXPECT_EQ(ops::FindOperation(message.code, message.wParam), &row) << text.toStdString();
      for (int k = 0; k < row.parameterCount; ++k) {
        EXPECT_EQ(row.unpack(message.lParam)[k], values[k].toInt()) << text.toStdString();
      }
      EXPECT_TRUE(ops::HandlerAccepts(row, message.lParam)) << text.toStdString();
    }
  }
}

}  // namespace
}  // namespace vantoria
