#include <gtest/gtest.h>

#include <QSignalSpy>
#include <random>

#include "document/vantoria_doc.h"
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

TEST_F(DocumentTest, UndoOnAFreshDocumentDoesNothing) {
  EXPECT_FALSE(document.Undo());
  EXPECT_FALSE(document.Redo());
  EXPECT_FALSE(document.IsModified());
  EXPECT_TRUE(Shows(kOpened));
}

TEST_F(DocumentTest, ThreeEditsUndoTwiceRedoOnce) {
  Edit(1);
  Edit(2);
  Edit(3);
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(document.Redo());
  EXPECT_TRUE(Shows(2));
  EXPECT_TRUE(document.IsModified());
}

TEST_F(DocumentTest, UndoingEverythingClearsModifiedAndRedoBringsTheFirstEditBack) {
  Edit(1);
  Edit(2);
  Edit(3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(document.Undo());
  }
  EXPECT_FALSE(document.Undo());
  EXPECT_TRUE(Shows(kOpened));
  EXPECT_FALSE(document.IsModified());
  EXPECT_TRUE(document.Redo());
  EXPECT_TRUE(Shows(1));
  EXPECT_TRUE(document.IsModified());
}

TEST_F(DocumentTest, ANewEditDiscardsTheRedoBranch) {
  Edit(1);
  Edit(2);
  EXPECT_TRUE(document.Undo());
  Edit(3);
  EXPECT_FALSE(document.Redo());
  EXPECT_EQ(document.GetHistory().count(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_TRUE(document.Undo());
  }
  Edit(4);
  EXPECT_EQ(document.GetHistory().count(), 1u);
  EXPECT_TRUE(Shows(4));
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

TEST_F(DocumentTest, RestoreTakesTheCurrentStepBackAndRemovesIt) {
  Edit(1);
  Edit(2);
  EXPECT_TRUE(document.RestoreCurrentStep());
  EXPECT_TRUE(Shows(1));
  EXPECT_EQ(document.GetHistory().count(), 1u);
  EXPECT_FALSE(document.Redo());
}

TEST_F(DocumentTest, BudgetDropsOldestStepsButTheDocumentStaysModified) {
  const std::size_t stepBytes = 2 * 3 * 4 * sizeof(Pixel);
  document.SetHistoryBudget(2 * stepBytes);
  Edit(1);
  Edit(2);
  Edit(3);
  EXPECT_EQ(document.GetHistory().count(), 2u);
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(document.Undo());
  EXPECT_FALSE(document.Undo());
  EXPECT_TRUE(Shows(1));
  // The first edit can no longer be undone, so the picture still differs from the file.
  EXPECT_TRUE(document.IsModified());
  EXPECT_FALSE(document.StepFitsBudget(3 * stepBytes));
}

}  // namespace
}  // namespace vantoria
