// Catches a budget boundary off by one (open, edit, rerun), an edit that cannot fit changing
// something, a refused preview whose Cancel hits an older step, and a rerun into an older step.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <random>

#include "document/image_codecs.h"
#include "imaging/colour_ops.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"
#include "support/memory_runs_out.h"

namespace vantoria {
namespace {

using namespace ops;
using test::ImagesEqual;

constexpr std::size_t kPixelBytes = sizeof(Pixel);

TEST(BigPictures, OpeningAPictureAboveTheBudgetIsRefusedWithAMessage) {
  QTemporaryDir directory;
  const QString path = directory.filePath("wide.png");
  std::mt19937 random(3);
  const ImagePtr picture = test::RandomImage(random, 20, 30);
  ASSERT_TRUE(EncodeImageFile(*picture, path, *GetEncoderClsid(path), nullptr));

  CVantoriaDoc document;
  document.SetHistoryBudget(20 * 30 * kPixelBytes - 1);
  EXPECT_FALSE(document.LoadImageFile(path));
  EXPECT_FALSE(document.HasImage());
  EXPECT_TRUE(document.GetLastError().startsWith(QString::fromUtf8("图像太大")));
  EXPECT_TRUE(document.GetLastError().contains(path));

  document.SetHistoryBudget(20 * 30 * kPixelBytes);
  ASSERT_TRUE(document.LoadImageFile(path)) << document.GetLastError().toStdString();
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *picture));
  EXPECT_FALSE(document.IsModified());
}

class BudgetedEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    original = test::RandomImage(random, 10, 10);  // 400 bytes; a whole-image step holds 800
    host.document.InitImage(CloneImage(*original));
  }
  void Post(std::uint32_t code, WParam w = 0, LParam l = 0) { dispatcher.Dispatch({code, w, l}); }
  const PixelImage& Image() const { return *host.document.GetImage(); }
  std::size_t Steps() const { return host.document.GetHistory().count(); }

  std::mt19937 random{5};
  ImagePtr original;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

// Every kind of edit whose step cannot fit even in an empty history: one message, and the
// image, history, position and modified state exactly as before.
TEST_F(BudgetedEdits, AnEditThatCannotFitIsRefusedAndChangesNothing) {
  host.selection = Region{0, 0, 1, 1};
  Post(WM_OP_INVERT);  // a small step that fits
  ASSERT_EQ(Steps(), 1u);
  host.document.SetHistoryBudget(500);
  struct Case {
    const char* name;
    std::optional<Region> selection;
    OperationMessage message;
  };
  const Case cases[] = {
      {"whole-image filter", std::nullopt, {WM_OP_SKETCH, 0, 0}},
      {"first preview", std::nullopt, {WM_OP_HSL, PackWParam(kOriginFirstControl, true), 1}},
      {"OK without preview", std::nullopt, {WM_OP_MOSAIC, PackWParam(kOriginFinal, true), 3}},
      {"resize", std::nullopt, {WM_OP_RESIZE, 1, PackSize(10, 10)}},
      {"crop", Region{0, 0, 8, 9}, {WM_OP_CROP, 0, 0}},
      {"rotate", std::nullopt, {WM_OP_ROTATE, 1, 90}},
  };
  ImagePtr shown = CloneImage(Image());
  const HistoryStep* current = host.document.GetCurrentStep();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.selection = c.selection;
    const qsizetype messages = host.shown.size();
    Post(c.message.code, c.message.wParam, c.message.lParam);
    EXPECT_EQ(host.shown.size(), messages + 1);
    EXPECT_TRUE(ImagesEqual(Image(), *shown));
    EXPECT_EQ(Steps(), 1u);
    EXPECT_EQ(host.document.GetCurrentStep(), current);
    EXPECT_TRUE(host.document.IsModified());
  }
  // What fits still works: the same filter on a selection (200 bytes).
  host.selection = Region{2, 2, 6, 6};
  Post(WM_OP_SKETCH);
  EXPECT_EQ(Steps(), 2u);
}

TEST_F(BudgetedEdits, ALargeStepDropsTheOldestStepsFirst) {
  host.document.SetHistoryBudget(1000);
  host.selection = Region{0, 0, 1, 1};  // four small steps of 32 bytes each
  for (int k = 0; k < 4; ++k) {
    Post(WM_OP_INVERT);
  }
  host.selection.reset();
  Post(WM_OP_GRAYSCALE, kGrayAverage);  // 128 + 800 bytes: everything fits
  EXPECT_EQ(Steps(), 5u);
  ImagePtr afterGrey = CloneImage(Image());
  Post(WM_OP_EMBOSS);  // 800 more: every older step must go, the small ones first
  EXPECT_EQ(Steps(), 1u);
  EXPECT_LE(host.document.GetHistory().byteSize(), 1000u);
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_TRUE(host.document.Undo());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_TRUE(ImagesEqual(Image(), *afterGrey));
  // The file's picture can no longer be reached, so the document stays modified until saved.
  EXPECT_TRUE(host.document.IsModified());
}

// A rotate preview rerun at another angle can need a larger picture than the first preview:
// older steps make room, so the history never passes its budget.
TEST_F(BudgetedEdits, ARotatePreviewThatGrowsDropsOlderStepsToStayInBudget) {
  host.document.InitImage(CreateImage(1, 40));
  const std::size_t largestTurn = 43 * 43 * kPixelBytes;  // (W + H + 2) on each side
  host.document.SetHistoryBudget(40 * kPixelBytes + largestTurn);
  for (int k = 0; k < 30; ++k) {
    Post(WM_OP_INVERT);
  }
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, true), 0);  // 41 x 2
  const std::size_t stepsBefore = Steps();
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, false), 45);  // about 30 x 30
  EXPECT_LE(host.document.GetHistory().byteSize(), host.document.GetHistoryBudget());
  EXPECT_LT(Steps(), stepsBefore);
  EXPECT_EQ(host.document.GetCurrentStep()->message, WM_OP_ROTATE);
  EXPECT_TRUE(host.document.IsModified());
  Post(WM_OP_RESTORE);  // Cancel still takes the rotation back
  EXPECT_EQ(Image().width, 40);
  EXPECT_EQ(Image().height, 1);
}

// When a dialog's first preview is refused, its reruns and its Cancel must not land on the
// step before it: that is an earlier edit the user kept.
TEST_F(BudgetedEdits, ARefusedPreviewLeavesTheEarlierEditAlone) {
  host.document.SetHistoryBudget(799);  // a selection step fits, a whole-image one does not
  for (const std::uint32_t code : {WM_OP_HSL, WM_OP_BRIGHTNESS_CONTRAST}) {
    SCOPED_TRACE(code);
    host.document.InitImage(CloneImage(*original));
    host.selection = Region{1, 1, 4, 4};
    Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginFinal, true), PackBrightnessContrast(30, 0));
    ImagePtr edited = CloneImage(Image());
    const HistoryStep* earlier = host.document.GetCurrentStep();

    host.selection.reset();
    const qsizetype messages = host.shown.size();
    Post(code, PackWParam(kOriginFirstControl, true), PackHsl(10, 10, 10));  // refused
    EXPECT_EQ(host.shown.size(), messages + 1);
    Post(code, PackWParam(kOriginFirstControl, false), PackHsl(20, 0, 0));  // further previews
    Post(code, PackWParam(kOriginSecondControl, false), PackHsl(20, 30, 0));
    Post(WM_OP_RESTORE);  // Cancel
    EXPECT_TRUE(ImagesEqual(Image(), *edited));
    EXPECT_EQ(host.document.GetCurrentStep(), earlier);
    EXPECT_EQ(Steps(), 1u);
    EXPECT_EQ(earlier->lParam, PackBrightnessContrast(30, 0));

    // The same with OK: its final rerun is ignored too, and the next dialog works as usual.
    Post(code, PackWParam(kOriginFirstControl, true), 0);
    Post(code, PackWParam(kOriginFinal, false), PackHsl(50, 0, 0));
    EXPECT_TRUE(ImagesEqual(Image(), *edited));
    host.selection = Region{0, 0, 2, 2};
    Post(WM_OP_HSL, PackWParam(kOriginFirstControl, true), PackHsl(10, 0, 0));
    Post(WM_OP_HSL, PackWParam(kOriginFirstControl, false), PackHsl(40, 0, 0));
    EXPECT_EQ(Steps(), 2u);
    ImagePtr expected = CloneImage(*edited);
    const ImagePtr part = CropImage(*edited, Region{0, 0, 2, 2});
    ImagePtr turned = CloneImage(*part);
    AdjustHueSaturationLightness(*part, *turned, 40 * 3.6, 0.0, 0.0);
    ASSERT_TRUE(PasteImage(*turned, *expected, Region{0, 0, 2, 2}));
    EXPECT_TRUE(ImagesEqual(Image(), *expected));
    Post(WM_OP_RESTORE);
    EXPECT_TRUE(ImagesEqual(Image(), *edited));
  }
}

// A rerun into a step that has newer steps would leave them built on its old result, so redo
// would show a picture that never existed. Only the newest step, the one a dialog just opened,
// takes reruns.
TEST_F(BudgetedEdits, ARerunNeverChangesAStepWithNewerSteps) {
  for (const bool rotate : {false, true}) {
    SCOPED_TRACE(rotate ? "rotate" : "transparency");
    host.document.InitImage(CloneImage(*original));
    const std::uint32_t code = rotate ? WM_OP_ROTATE : WM_OP_TRANSPARENCY;
    Post(code, PackWParam(kOriginFinal, true), rotate ? 30 : PackTransparency(-40));
    ImagePtr first = CloneImage(Image());
    Post(WM_OP_REDEYE);
    ImagePtr second = CloneImage(Image());
    ASSERT_TRUE(host.document.Undo());
    Post(code, PackWParam(kOriginFirstControl, false), rotate ? 200 : PackTransparency(60));
    EXPECT_TRUE(ImagesEqual(Image(), *first));
    EXPECT_TRUE(host.document.Redo());
    EXPECT_TRUE(ImagesEqual(Image(), *second));
    EXPECT_TRUE(host.document.Undo());
    EXPECT_TRUE(ImagesEqual(Image(), *first));
    EXPECT_TRUE(host.document.Undo());
    EXPECT_TRUE(ImagesEqual(Image(), *original));
  }
}

// Memory runs out when a resized result is installed: the refusal keeps the steps that would
// have been dropped to make room for it.
TEST(OutOfMemory, ARefusedResizeKeepsTheStepsThatWouldHaveMadeRoom) {
  std::mt19937 random(9);
  CVantoriaDoc document;
  document.InitImage(test::RandomImage(random, 4, 4));
  for (int k = 0; k < 2; ++k) {
    ASSERT_TRUE(document.CommitStep(CreateHistoryStep(WM_OP_INVERT, std::nullopt, 0, 0,
                                                      CloneImage(*document.GetImage()),
                                                      test::RandomImage(random, 4, 4))));
  }
  const ImagePtr shown = CloneImage(*document.GetImage());
  HistoryStepPtr resize = CreateHistoryStep(WM_OP_RESIZE, std::nullopt, 0, 0, CloneImage(*shown),
                                            test::RandomImage(random, 8, 5));
  // Room for the resize means dropping one of the two older steps.
  document.SetHistoryBudget(resize->byteSize() + 2 * 4 * 4 * kPixelBytes);
  const std::uint64_t versionBefore = document.GetImageVersion();
  {
    const test::MemoryRunsOut noMemory(0);
    EXPECT_FALSE(document.CommitStep(std::move(resize)));
  }
  EXPECT_EQ(document.GetHistory().count(), 2u);
  EXPECT_EQ(document.GetCurrentStep(), document.GetHistory().newest());
  EXPECT_EQ(document.GetImageVersion(), versionBefore);
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *shown));
  EXPECT_TRUE(document.Undo());
  EXPECT_TRUE(document.Undo());
}

// A rotate preview rerun whose turned picture can be made but not shown: the picture, the
// step and its angle stay those of the previous preview.
TEST_F(BudgetedEdits, ARotateRerunWithoutMemoryToShowItKeepsThePreviousAngle) {
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, true), 0);
  const ImagePtr previous = CloneImage(Image());
  const HistoryStep* step = host.document.GetCurrentStep();
  ASSERT_TRUE(previous && step);
  {
    const test::MemoryRunsOut noMemory(1);  // for the turned picture, not for its copy
    Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, false), 45);
  }
  EXPECT_EQ(host.shown, QStringList{texts::OutOfMemory()});
  EXPECT_TRUE(ImagesEqual(Image(), *previous));
  EXPECT_TRUE(ImagesEqual(*step->after, *previous));
  EXPECT_EQ(step->lParam, 0);
  EXPECT_EQ(host.document.GetCurrentStep(), step);
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, false), 45);  // with memory, it turns
  EXPECT_NE(Image().width, previous->width);
}

}  // namespace
}  // namespace vantoria
