#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "document/image_codecs.h"
#include "operations/operation_table.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"
#include "tools/batch_steps.h"

namespace vantoria {
namespace {

using test::ImagesEqual;

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
    input = directory.filePath("input.png");
    output = directory.filePath("output.png");
    QString error;
    ASSERT_TRUE(EncodeImageFile(*picture, input, *GetEncoderClsid(input), &error))
        << error.toStdString();
  }
  ImagePtr ReadOutput() {
    QString error;
    return DecodeImageFile(output, DefaultImageByteLimit(), &error);
  }
  // Runs the same steps through the dispatcher, as the editor would.
  ImagePtr ThroughDispatcher(const QStringList& steps) {
    test::TestHost host;
    OperationDispatcher dispatcher(host);
    host.document.InitImage(CloneImage(*picture));
    for (const QString& text : steps) {
      QString error;
      const batch::Step step = *batch::ParseStep(text, &error);
      if (auto* post = std::get_if<batch::PostMessage>(&step.action)) {
        dispatcher.Dispatch(post->message);
      } else if (auto* select = std::get_if<batch::SelectRegion>(&step.action)) {
        host.selection = select->region;
      } else if (std::holds_alternative<batch::SelectAll>(step.action)) {
        const PixelImage& image = *host.document.GetImage();
        host.selection = Region{0, 0, image.width - 1, image.height - 1};
      } else if (std::holds_alternative<batch::SelectNone>(step.action)) {
        host.selection.reset();
      } else if (std::holds_alternative<batch::UndoStep>(step.action)) {
        static_cast<void>(host.document.Undo());
      } else if (std::holds_alternative<batch::RedoStep>(step.action)) {
        static_cast<void>(host.document.Redo());
      }
    }
    return CloneImage(*host.document.GetImage());
  }
  void ExpectRefused(const QStringList& steps, int status) {
    QFile::remove(output);
    const BatchResult result = RunBatch(QStringList{input, output} + steps);
    EXPECT_EQ(result.status, status) << steps.join(' ').toStdString();
    EXPECT_FALSE(result.errors.isEmpty());
    EXPECT_FALSE(QFile::exists(output)) << steps.join(' ').toStdString();
  }

  QTemporaryDir directory;
  ImagePtr picture;
  QString input;
  QString output;
};

TEST_F(BatchTool, StepsGiveTheSamePixelsAsTheDispatcher) {
  const QList<QStringList> runs = {
      {"invert", "select=2,3,10,8", "soften=gaussian", "undo", "redo", "hsl=30,-20,10"},
      {"brightness-contrast=100,0", "transparency=-40", "grayscale=weighted", "threshold=90"},
      {"select=1,1,12,9", "crop", "rotate=30", "select=0,0,5,5", "sketch", "mosaic=3"},
      {"resize=31,7", "mirror=vertical", "sharpen", "emboss", "redeye", "undo", "undo"},
      {"select=4,4,15,12", "soften=median", "select=all", "mirror=horizontal", "select=none",
       "soften=box"},
  };
  for (const QStringList& steps : runs) {
    const BatchResult result = RunBatch(QStringList{input, output} + steps);
    ASSERT_EQ(result.status, 0) << result.errors.toStdString();
    ImagePtr written = ReadOutput();
    ASSERT_TRUE(written);
    EXPECT_TRUE(ImagesEqual(*written, *ThroughDispatcher(steps))) << steps.join(' ').toStdString();
  }
}

TEST_F(BatchTool, WithoutStepsTheOutputIsTheInput) {
  ASSERT_EQ(RunBatch({input, output}).status, 0);
  EXPECT_TRUE(ImagesEqual(*ReadOutput(), *picture));
}

TEST_F(BatchTool, BadStepsAreRefusedWithStatus2AndNothingWritten) {
  for (const char* bad : {"blur",
                          "invert=1",
                          "threshold=256",
                          "threshold=",
                          "threshold=-1",
                          "hsl=1,2",
                          "hsl=1.5,0,0",
                          "brightness-contrast=101,0",
                          "transparency=abc",
                          "rotate=360",
                          "rotate=99999999999999999999",
                          "mosaic=0",
                          "mosaic=65536",
                          "resize=5,32768",
                          "resize=0,5",
                          "grayscale=median",
                          "mirror=",
                          "select=5,5,2,2",
                          "select=1,2,3",
                          "select=-1,0,3,3"}) {
    ExpectRefused({"invert", QString::fromLatin1(bad)}, 2);
  }
}

TEST_F(BatchTool, StepsThatCannotRunHereAreRefusedWhenTheyRun) {
  ExpectRefused({"crop"}, 2);
  ExpectRefused({"select=0,0,20,14"}, 2);  // one column past the right edge
  ExpectRefused({"select=0,0,9,9", "crop", "select=0,0,10,9"}, 2);
}

TEST_F(BatchTool, CropKeepsTheSelectionWhichIsClampedAfterwards) {
  const QStringList steps = {"select=5,5,14,12", "crop", "invert"};
  ASSERT_EQ(RunBatch(QStringList{input, output} + steps).status, 0);
  ImagePtr written = ReadOutput();
  EXPECT_EQ(written->width, 10);
  EXPECT_EQ(written->height, 8);
  EXPECT_TRUE(ImagesEqual(*written, *ThroughDispatcher(steps)));
}

TEST_F(BatchTool, UnreadableInputAndUnwritableOutputGiveStatus1) {
  EXPECT_EQ(RunBatch({directory.filePath("missing.png"), output}).status, 1);
  QFile garbage(directory.filePath("garbage.png"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("definitely not a picture");
  garbage.close();
  EXPECT_EQ(RunBatch({garbage.fileName(), output}).status, 1);
  EXPECT_EQ(RunBatch({input, directory.filePath("no/such/dir/out.png")}).status, 1);
  const BatchResult unknown = RunBatch({input, directory.filePath("out.xyz"), "invert"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_FALSE(QFile::exists(directory.filePath("out.xyz")));
  EXPECT_FALSE(QFile::exists(output));
}

TEST_F(BatchTool, UsageHelpAndFormats) {
  EXPECT_EQ(RunBatch({}).status, 2);
  EXPECT_EQ(RunBatch({input}).status, 2);
  const BatchResult help = RunBatch({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* step : {"brightness-contrast=B,C", "soften=box|gaussian|median", "undo"}) {
    EXPECT_TRUE(help.output.contains(QString::fromLatin1(step))) << step;
  }
  const BatchResult formats = RunBatch({"--formats"});
  EXPECT_EQ(formats.status, 0);
  EXPECT_TRUE(formats.output.contains("*.PNG"));
  EXPECT_TRUE(formats.output.contains("JPEG"));
}

// Every argument form that cannot be performed: the message names the step, the status is 2
// and nothing is written, not even over an output file that is already there.
TEST_F(BatchTool, EveryBadArgumentFormKeepsAnExistingOutput) {
  const QByteArray old("an earlier result");
  const auto writeOld = [&] {
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(old);
  };
  const char* const bad[] = {
      // a value missing or a bare name that needs one
      "threshold", "resize=5", "hsl=", "select=", "select=,,,", "rotate=,", "",
      // extra values or text
      "hsl=1,2,3,4", "threshold=5,", "rotate=90,0", "select=0,0,1,1,1", "crop=1", "undo=2",
      // out of range
      "resize=65536,1", "brightness-contrast=0,-101", "transparency=101", "mosaic=-1",
      // not a whole decimal number
      "threshold=abc", "resize=1e3,5", "rotate=0x10", "rotate= 5", "rotate=5 ", "mosaic=2.0",
      "hsl=a,b,c",
      // huge numbers
      "resize=99999999999999999999,1", "mosaic=18446744073709551617",
      "threshold=-99999999999999999999", "select=0,0,2147483648,1",
      // an empty selection: right of left or above top
      "select=5,5,4,5", "select=5,5,5,4"};
  for (const char* step : bad) {
    writeOld();
    const BatchResult result = RunBatch({input, output, "invert", QString::fromLatin1(step)});
    EXPECT_EQ(result.status, 2) << step;
    EXPECT_TRUE(result.errors.contains(QString::fromLatin1(step))) << step;
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old) << step;
  }
}

TEST_F(BatchTool, ASelectionOutsideTheImageIsRefusedWhenItIsMade) {
  for (const char* step : {"select=20,0,20,0", "select=0,15,0,15", "select=19,14,25,20",
                           "select=2147483647,2147483647,2147483647,2147483647"}) {
    ExpectRefused({QString::fromLatin1(step), "invert"}, 2);
  }
  const BatchResult result = RunBatch({input, output, "select=19,14,19,14", "invert"});
  EXPECT_EQ(result.status, 0) << result.errors.toStdString();  // the last pixel is inside
}

TEST_F(BatchTool, PicturesThatDrawTextDoNotNeedADisplay) {
  if (!QImageReader::supportedImageFormats().contains("svg")) {
    GTEST_SKIP() << "no SVG reader installed";
  }
  const QString svg = directory.filePath("label.svg");
  QFile file(svg);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"6\">"
      "<text x=\"1\" y=\"5\" font-size=\"4\">A</text></svg>");
  file.close();
  const BatchResult result = RunBatch({svg, output, "invert"});
  EXPECT_EQ(result.status, 0) << result.errors.toStdString();
  ImagePtr written = ReadOutput();
  ASSERT_TRUE(written);
  EXPECT_EQ(written->width, 8);
}

TEST(BatchSteps, DialogStepsPostTheOkMessageOfTheirDialog) {
  QString error;
  const auto step = batch::ParseStep("brightness-contrast=-100,100", &error);
  ASSERT_TRUE(step);
  const auto& post = std::get<batch::PostMessage>(step->action);
  EXPECT_EQ(post.message,
            (ops::OperationMessage{ops::WM_OP_BRIGHTNESS_CONTRAST, 1, 0u | 200u << 8}));
  const auto quarter = batch::ParseStep("rotate=90", &error);
  EXPECT_EQ(std::get<batch::PostMessage>(quarter->action).message,
            (ops::OperationMessage{ops::WM_OP_ROTATE, 1, 90}));
  const auto mirror = batch::ParseStep("mirror=vertical", &error);
  EXPECT_EQ(std::get<batch::PostMessage>(mirror->action).message,
            (ops::OperationMessage{ops::WM_OP_MIRROR, 64, 0}));
  EXPECT_FALSE(batch::ParseStep("threshold=12x", &error));
  EXPECT_TRUE(error.contains("threshold=12x"));
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
