// Catches document faults: kept caller picture, region steps, budget boundary, open/save state.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <random>

#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::UniformImage;

constexpr Pixel kOpened = 0xFF102030;

TEST(Document, ApplyCopiesThePictureAndARegionStepUndoesOnlyItsRegion) {
  CVantoriaDoc document;
  document.InitImage(UniformImage(3, 4, kOpened));
  ImagePtr replacement = UniformImage(5, 6, 0x80FFFFFF);
  static_cast<void>(document.ApplyImage(*replacement, std::nullopt));
  replacement->rows[0][0] = 0;
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *UniformImage(5, 6, 0x80FFFFFF)));

  document.InitImage(UniformImage(3, 4, kOpened));
  const Region region{1, 0, 2, 1};
  ASSERT_TRUE(document.CommitStep(CreateHistoryStep(1128, region, 0, 0,
                                                    CropImage(*document.GetImage(), region),
                                                    UniformImage(2, 2, 0xFFFFFFFF))));
  EXPECT_EQ(document.GetImage()->rows[0][1], 0xFFFFFFFFu);
  EXPECT_EQ(document.GetImage()->rows[2][1], kOpened);
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *UniformImage(3, 4, kOpened)));
  EXPECT_TRUE(document.Redo());

  // A region that does not match the picture changes no pixel but still marks and repaints.
  QSignalSpy repaints(&document, &CDocument::updateViews);
  const std::uint64_t version = document.GetImageVersion();
  ImagePtr shown = CloneImage(*document.GetImage());
  static_cast<void>(document.ApplyImage(*UniformImage(2, 2, 0xFF000001), Region{0, 0, 2, 1}));
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *shown));
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(repaints.count(), 1);
  EXPECT_GT(document.GetImageVersion(), version);

  document.SetHistoryBudget(800);
  EXPECT_TRUE(document.StepFitsBudget(800));
  EXPECT_FALSE(document.StepFitsBudget(801));
}

// Failed saves are the reliability_save suite's.
class DocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path = directory.filePath("picture.png");
    std::mt19937 random(9);
    ASSERT_TRUE(
        EncodeImageFile(*test::RandomImage(random, 6, 5), path, *GetEncoderClsid(path), nullptr));
    ASSERT_TRUE(host.document.OnOpenDocument(path)) << host.document.GetLastError().toStdString();
    host.document.SetPathName(path);
  }
  void Edit() { dispatcher.Dispatch({ops::WM_OP_INVERT, 0, 0}); }

  QTemporaryDir directory;
  QString path;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

TEST_F(DocumentFiles, OpenSaveAndSaveAs) {
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("picture.png"));
  QFile::remove(path);  // unmodified under its own name: nothing is written
  EXPECT_TRUE(host.document.DoSave(path, true));
  EXPECT_FALSE(QFile::exists(path));
  Edit();
  Edit();
  host.document.SetSavePathPrompt([] { return QString(); });  // the dialog is cancelled
  EXPECT_FALSE(host.document.DoSave(QString(), true));
  EXPECT_TRUE(host.document.IsModified());
  const QString target = directory.filePath("copy.BMP");
  host.document.SetSavePathPrompt([&] { return target; });
  ASSERT_TRUE(host.document.DoSave(QString(), true));
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_FALSE(host.document.Redo());
  EXPECT_EQ(host.document.GetPathName(), target);
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("copy.BMP"));
  // Save As somewhere else always writes.
  EXPECT_TRUE(host.document.DoSave(directory.filePath("elsewhere.png"), true));
  EXPECT_TRUE(QFile::exists(directory.filePath("elsewhere.png")));
}

TEST_F(DocumentFiles, UndecodableFilesAndDocumentsWithoutAPictureAreRefused) {
  const QString broken = directory.filePath("broken.png");
  ASSERT_TRUE(test::WriteFileBytes(broken, test::FileBytes(path).left(40)));
  CVantoriaDoc document;
  EXPECT_FALSE(document.OnOpenDocument(broken));
  EXPECT_FALSE(document.HasImage());
  EXPECT_TRUE(document.GetLastError().contains("broken.png"));
  EXPECT_FALSE(document.DoSave(directory.filePath("empty.png"), true));
  EXPECT_FALSE(QFile::exists(directory.filePath("empty.png")));
}

}  // namespace
}  // namespace vantoria
