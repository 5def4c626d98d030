// Catches a document that keeps the caller's picture, mishandles a region step, or whose undo,
// redo, Cancel and budget drops stray from the plain model of the history; one that opens
// modified, keeps history or its old path after a save, writes when nothing changed, ignores a
// cancelled save prompt, or saves without a picture.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <random>

#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/history_model.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::UniformImage;

// A whole-image step from the current image to a uniform image of `value`.
HistoryStepPtr UniformStep(const CVantoriaDoc& document, Pixel value) {
  const PixelImage& image = *document.GetImage();
  return CreateHistoryStep(1128, std::nullopt, 0, 0, CloneImage(image),
                           UniformImage(image.height, image.width, value));
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { document.InitImage(UniformImage(3, 4, kOpened)); }
  void Edit(Pixel value) { ASSERT_TRUE(document.CommitStep(UniformStep(document, value))); }
  bool Shows(Pixel value) { return ImagesEqual(*document.GetImage(), *UniformImage(3, 4, value)); }

  static constexpr Pixel kOpened = 0xFF102030;
  CVantoriaDoc document;
};

TEST_F(DocumentTest, ApplyWithoutRegionKeepsACopyNotTheCallersImage) {
  ImagePtr replacement = UniformImage(5, 6, 0x80FFFFFF);
  static_cast<void>(document.ApplyImage(*replacement, std::nullopt));
  replacement->rows[0][0] = 0;
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *UniformImage(5, 6, 0x80FFFFFF)));
}

TEST_F(DocumentTest, ApplyWithMismatchedRegionChangesNoPixelButStillMarksAndRepaints) {
  QSignalSpy repaints(&document, &CDocument::updateViews);
  Edit(0xFF000001);
  const std::uint64_t version = document.GetImageVersion();
  static_cast<void>(document.ApplyImage(*UniformImage(2, 2, 0xFFFFFFFF), Region{0, 0, 2, 1}));
  EXPECT_TRUE(Shows(0xFF000001));
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(repaints.count(), 2);
  EXPECT_GT(document.GetImageVersion(), version);
}

TEST_F(DocumentTest, RegionStepUndoRestoresOnlyTheRegion) {
  const Region region{1, 0, 2, 1};
  ASSERT_TRUE(document.CommitStep(CreateHistoryStep(1128, region, 0, 0,
                                                    CropImage(*document.GetImage(), region),
                                                    UniformImage(2, 2, 0xFFFFFFFF))));
  EXPECT_EQ(document.GetImage()->rows[0][1], 0xFFFFFFFFu);
  EXPECT_EQ(document.GetImage()->rows[2][1], kOpened);
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(Shows(kOpened));
}

// Random edits, undos, redos and restores (Cancel) under a budget of three and a half steps,
// checked after each against the plain model of the history.
TEST_F(DocumentTest, RandomHistoryMatchesTheModel) {
  const std::size_t stepBytes = 2 * 3 * 4 * sizeof(Pixel);
  const std::size_t budget = 3 * stepBytes + stepBytes / 2;
  document.SetHistoryBudget(budget);
  test::HistoryModel model(UniformImage(3, 4, kOpened));
  std::mt19937 random(5);
  for (int k = 0; k < 500; ++k) {
    const int action = static_cast<int>(random() % 4);
    if (action == 0) {
      const auto value = static_cast<Pixel>(random());
      Edit(value);
      model.Push(UniformImage(3, 4, value), {1128, std::nullopt, stepBytes}, budget);
    } else if (action == 1) {
      EXPECT_EQ(document.Undo(), model.Position() > 0);
      model.Undo();
    } else if (action == 2) {
      EXPECT_EQ(document.Redo(), model.Position() < model.StepCount());
      model.Redo();
    } else {
      EXPECT_TRUE(document.RestoreCurrentStep());
      model.Restore();
    }
    ASSERT_TRUE(ImagesEqual(*document.GetImage(), model.Shown())) << k;
    ASSERT_EQ(document.IsModified(), model.Modified()) << k;
    ASSERT_EQ(document.GetHistory().count(), model.StepCount()) << k;
    ASSERT_EQ(test::HistoryPosition(document), model.Position()) << k;
    ASSERT_EQ(document.GetHistory().byteSize(), model.TotalBytes()) << k;
  }
  EXPECT_GT(model.Drops(), 4u);
  EXPECT_TRUE(document.StepFitsBudget(budget));
  EXPECT_FALSE(document.StepFitsBudget(budget + 1));
}

// --- opening and saving (failed saves are the reliability_save suite's) ---

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path = directory.filePath("picture.png");
    std::mt19937 random(9);
    ImagePtr picture = test::RandomImage(random, 6, 5);
    QString error;
    ASSERT_TRUE(EncodeImageFile(*picture, path, *GetEncoderClsid(path), &error));
    ASSERT_TRUE(host.document.OnOpenDocument(path)) << host.document.GetLastError().toStdString();
    host.document.SetPathName(path);
  }
  void Edit() { dispatcher.Dispatch({ops::WM_OP_INVERT, 0, 0}); }

  QTemporaryDir directory;
  QString path;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

TEST_F(DocumentFiles, OpeningGivesAnUnmodifiedDocumentWithoutHistory) {
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("picture.png"));
}

TEST_F(DocumentFiles, SavingEmptiesTheHistoryAndTakesTheNewPath) {
  Edit();
  Edit();
  const QString target = directory.filePath("copy.BMP");
  ASSERT_TRUE(host.document.DoSave(target, true));
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_FALSE(host.document.Redo());
  EXPECT_EQ(host.document.GetPathName(), target);
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("copy.BMP"));
}

TEST_F(DocumentFiles, SavingUnmodifiedUnderItsOwnPathWritesNothing) {
  QFile::remove(path);
  EXPECT_TRUE(host.document.DoSave(path, true));
  EXPECT_FALSE(QFile::exists(path));
  // Save As somewhere else always writes.
  EXPECT_TRUE(host.document.DoSave(directory.filePath("elsewhere.png"), true));
  EXPECT_TRUE(QFile::exists(directory.filePath("elsewhere.png")));
}

TEST_F(DocumentFiles, CancelledSaveDialogSavesNothing) {
  Edit();
  host.document.SetSavePathPrompt([] { return QString(); });
  EXPECT_FALSE(host.document.DoSave(QString(), true));
  EXPECT_TRUE(host.document.IsModified());
  const QString chosen = directory.filePath("chosen.jpg");
  host.document.SetSavePathPrompt([&] { return chosen; });
  EXPECT_TRUE(host.document.DoSave(QString(), true));
  EXPECT_EQ(host.document.GetPathName(), chosen);
}

TEST_F(DocumentFiles, AFileThatCannotBeDecodedIsRefusedWithAReason) {
  const QString broken = directory.filePath("broken.png");
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(FileBytes(path).left(40));
  file.close();
  CVantoriaDoc document;
  EXPECT_FALSE(document.OnOpenDocument(broken));
  EXPECT_FALSE(document.HasImage());
  EXPECT_TRUE(document.GetLastError().contains("broken.png"));
}

TEST(DocumentWithoutImage, RefusesToSave) {
  QTemporaryDir directory;
  CVantoriaDoc document;
  EXPECT_FALSE(document.DoSave(directory.filePath("empty.png"), true));
  EXPECT_FALSE(QFile::exists(directory.filePath("empty.png")));
}

}  // namespace
}  // namespace vantoria
