#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using namespace ops;
using test::ImagesEqual;
using test::RandomImage;

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original = RandomImage(random, 9, 11);
    host.document.InitImage(CloneImage(*original));
  }
  void Post(std::uint32_t code, WParam w = 0, LParam l = 0) { dispatcher.Dispatch({code, w, l}); }
  const PixelImage& Image() { return *host.document.GetImage(); }
  std::size_t Steps() { return host.document.GetHistory().count(); }
  // What brightness/contrast with these slider values does to `source`.
  static ImagePtr BrightnessContrastOf(const PixelImage& source, int b, int c) {
    ImagePtr result = CloneImage(source);
    const BrightnessContrast values = DecodeBrightnessContrast(PackBrightnessContrast(b, c));
    AdjustBrightnessContrast(source, *result, values.brightness, values.contrast);
    return result;
  }

  std::mt19937 random{7};
  ImagePtr original;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

TEST_F(DispatcherTest, PreviewsRerunIntoOneStepAndOkWithoutChangeSendsNothing) {
  Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginFirstControl, true),
       PackBrightnessContrast(40, 0));
  Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginSecondControl, false),
       PackBrightnessContrast(40, -30));
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(ImagesEqual(Image(), *BrightnessContrastOf(*original, 40, -30)));
  EXPECT_EQ(host.document.GetCurrentStep()->lParam, PackBrightnessContrast(40, -30));
  EXPECT_TRUE(host.document.IsModified());
}

TEST_F(DispatcherTest, OkAfterPreviewWithNewValuesRerunsTheSameStep) {
  Post(WM_OP_HSL, PackWParam(kOriginFirstControl, true), PackHsl(10, 0, 0));
  Post(WM_OP_HSL, PackWParam(kOriginFinal, false), PackHsl(10, 20, 0));
  EXPECT_EQ(Steps(), 1u);
  ImagePtr expected = CloneImage(*original);
  AdjustHueSaturationLightness(*original, *expected, 36.0, 0.2, 0.0);
  EXPECT_TRUE(ImagesEqual(Image(), *expected));
}

TEST_F(DispatcherTest, CancelAfterPreviewsRestoresImageAndHistoryExactly) {
  Post(WM_OP_INVERT);
  const HistoryStep* stepBefore = host.document.GetCurrentStep();
  ImagePtr shownBefore = CloneImage(Image());
  Post(WM_OP_TRANSPARENCY, PackWParam(kOriginFirstControl, true), PackTransparency(-60));
  Post(WM_OP_TRANSPARENCY, PackWParam(kOriginFirstControl, false), PackTransparency(-80));
  Post(WM_OP_RESTORE);
  EXPECT_TRUE(ImagesEqual(Image(), *shownBefore));
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(host.document.GetCurrentStep(), stepBefore);
  EXPECT_TRUE(host.document.IsModified());
  Post(WM_OP_RESTORE);  // takes back the invert as well
  EXPECT_TRUE(ImagesEqual(Image(), *original));
  EXPECT_FALSE(host.document.IsModified());
  Post(WM_OP_RESTORE);  // nothing left: nothing happens
  EXPECT_EQ(Steps(), 0u);
}

TEST_F(DispatcherTest, OkWithoutPreviewOpensOneStep) {
  Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginFinal, true), PackBrightnessContrast(-20, 50));
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(ImagesEqual(Image(), *BrightnessContrastOf(*original, -20, 50)));
  EXPECT_TRUE(host.document.Undo());
  EXPECT_TRUE(ImagesEqual(Image(), *original));
}

TEST_F(DispatcherTest, AnEditAfterUndoingEverythingDiscardsTheOldSteps) {
  Post(WM_OP_INVERT);
  Post(WM_OP_SKETCH);
  Post(WM_OP_EMBOSS);
  while (host.document.Undo()) {
  }
  Post(WM_OP_GRAYSCALE, kGrayAverage);
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(host.document.GetCurrentStep()->message, WM_OP_GRAYSCALE);
  EXPECT_FALSE(host.document.Redo());
}

TEST_F(DispatcherTest, IgnoredParametersMakeNoStep) {
  Post(WM_OP_GRAYSCALE, 3);
  Post(WM_OP_SOFTEN, 3);
  Post(WM_OP_SHARPEN, 1);
  Post(WM_OP_ROTATE, 1, 360);
  Post(WM_OP_MOSAIC, 1, 0);
  Post(WM_OP_MOSAIC, 1, 0x10000);  // only the low 16 bits count: block size 0
  Post(WM_OP_RESIZE, 1, PackSize(0, 5));
  Post(WM_OP_RESIZE, 1, PackSize(5, 40000));
  Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginFirstControl, false), 0);  // rerun, no step
  Post(1141);
  EXPECT_EQ(Steps(), 0u);
  EXPECT_TRUE(ImagesEqual(Image(), *original));
  EXPECT_FALSE(host.document.IsModified());
}

TEST_F(DispatcherTest, ARerunNeverUsesAStepOfAnotherOperation) {
  Post(WM_OP_ROTATE, 1, 30);
  const std::size_t steps = Steps();
  ImagePtr rotated = CloneImage(Image());
  Post(WM_OP_BRIGHTNESS_CONTRAST, PackWParam(kOriginFirstControl, false), 0);
  Post(WM_OP_MOSAIC, PackWParam(kOriginFirstControl, false), 3);
  EXPECT_EQ(Steps(), steps);
  EXPECT_TRUE(ImagesEqual(Image(), *rotated));
}

TEST_F(DispatcherTest, SelectionEditAndItsUndoTouchOnlyTheSelection) {
  host.selection = Region{2, 3, 6, 5};
  Post(WM_OP_INVERT);
  for (int i = 0; i < original->height; ++i) {
    for (int j = 0; j < original->width; ++j) {
      const bool inside = i >= 3 && i <= 5 && j >= 2 && j <= 6;
      EXPECT_EQ(Image().rows[i][j],
                inside ? original->rows[i][j] ^ 0x00FFFFFFu : original->rows[i][j]);
    }
  }
  EXPECT_EQ(host.document.GetCurrentStep()->region, (Region{2, 3, 6, 5}));
  EXPECT_TRUE(host.document.Undo());
  EXPECT_TRUE(ImagesEqual(Image(), *original));
}

TEST_F(DispatcherTest, FiltersOnASelectionSeeOnlyTheSelectedPixels) {
  host.selection = Region{1, 1, 7, 6};
  Post(WM_OP_SOFTEN, kSoftenGaussian);
  ImagePtr part = CropImage(*original, *host.selection);
  ImagePtr expected = CloneImage(*part);
  SmoothWithKernel(*part, *expected, kSmoothKernels[1], kSmoothDivisors[1]);
  EXPECT_TRUE(ImagesEqual(*CropImage(Image(), *host.selection), *expected));
}

TEST_F(DispatcherTest, CropNeedsASelectionAndIgnoresOneCoveringTheImage) {
  Post(WM_OP_CROP);
  ASSERT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.shown[0], QStringLiteral("请选择裁剪的区域"));
  host.selection = Region{0, 0, original->width - 1, original->height - 1};
  Post(WM_OP_CROP);
  EXPECT_EQ(Steps(), 0u);
  EXPECT_EQ(host.shown.size(), 1);
}

TEST_F(DispatcherTest, CropUndoRedoChangeTheSize) {
  host.selection = Region{2, 1, 5, 7};
  Post(WM_OP_CROP);
  EXPECT_TRUE(ImagesEqual(Image(), *CropImage(*original, Region{2, 1, 5, 7})));
  EXPECT_FALSE(host.document.GetCurrentStep()->region);
  EXPECT_TRUE(host.document.Undo());
  EXPECT_TRUE(ImagesEqual(Image(), *original));
  EXPECT_TRUE(host.document.Redo());
  EXPECT_EQ(Image().width, 4);
  EXPECT_EQ(Image().height, 7);
}

TEST_F(DispatcherTest, ASelectionReachingPastAShrunkImageIsClamped) {
  host.selection = Region{0, 0, 3, 3};
  Post(WM_OP_CROP);                     // now 4 x 4
  host.selection = Region{2, 2, 8, 8};  // kept from before, reaches past the new image
  Post(WM_OP_INVERT);
  EXPECT_EQ(host.document.GetCurrentStep()->region, (Region{2, 2, 3, 3}));
  host.selection = Region{6, 6, 8, 8};  // wholly outside: no selection, the whole image
  Post(WM_OP_INVERT);
  EXPECT_FALSE(host.document.GetCurrentStep()->region);
}

TEST_F(DispatcherTest, ResizeAndRotateUseTheWholeImageWhateverIsSelected) {
  host.selection = Region{1, 1, 2, 2};
  Post(WM_OP_RESIZE, 1, PackSize(22, 4));
  ImagePtr expected = CreateImage(4, 22);
  ResizeImage(*original, *expected, 22, 4);
  EXPECT_TRUE(ImagesEqual(Image(), *expected));
  Post(WM_OP_ROTATE, 1, kRotateRightAngle);
  EXPECT_TRUE(ImagesEqual(Image(), *RotateImage(*expected, 90.0)));
  EXPECT_EQ(Steps(), 2u);
}

TEST_F(DispatcherTest, RotatePreviewsTurnTheSavedSourceAgain) {
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, true), 30);
  Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, false), 300);
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(ImagesEqual(Image(), *RotateImage(*original, 300.0)));
  Post(WM_OP_RESTORE);
  EXPECT_TRUE(ImagesEqual(Image(), *original));
  EXPECT_EQ(Steps(), 0u);
}

// Every fixed message gives what its routine gives on the whole image.
TEST_F(DispatcherTest, FixedMessagesMatchTheirRoutines) {
  using Routine = std::function<void(const PixelImage&, PixelImage&)>;
  const std::vector<std::pair<OperationMessage, Routine>> cases = {
      {{WM_OP_INVERT, 0, 0}, InvertColors},
      {{WM_OP_GRAYSCALE, kGrayMaximum, 0}, GrayscaleByMaximum},
      {{WM_OP_GRAYSCALE, kGrayWeighted, 0}, GrayscaleByWeightedAverage},
      {{WM_OP_REDEYE, 0, 0}, RemoveRedEye},
      {{WM_OP_MIRROR, kMirrorVertical, 0}, MirrorVertical},
      {{WM_OP_MIRROR, kMirrorHorizontal, 0}, MirrorHorizontal},
      {{WM_OP_SHARPEN, 0, 0},
       [](const PixelImage& s, PixelImage& d) { SharpenLaplacian(s, d, kSharpenKernel, 3); }},
      {{WM_OP_SOFTEN, kSoftenMedian, 0},
       [](const PixelImage& s, PixelImage& d) { MedianFilter(s, d, kSmoothKernels[2], 5); }},
      {{WM_OP_EMBOSS, 0, 0}, Emboss},
      {{WM_OP_SKETCH, 0, 0}, Sketch},
      {{WM_OP_MOSAIC, 1, 4}, [](const PixelImage& s, PixelImage& d) { Mosaic(s, d, 4); }},
      {{WM_OP_BINARIZE, 1, 100}, [](const PixelImage& s, PixelImage& d) { Binarize(s, d, 100); }},
  };
  for (const auto& [message, routine] : cases) {
    host.document.InitImage(CloneImage(*original));
    dispatcher.Dispatch(message);
    ImagePtr expected = CloneImage(*original);
    routine(*original, *expected);
    EXPECT_TRUE(ImagesEqual(Image(), *expected)) << "message " << message.code;
  }
}

TEST(DispatcherWithoutImage, MessagesToADocumentWithoutImageAreIgnored) {
  test::TestHost host;
  OperationDispatcher dispatcher(host);
  for (std::uint32_t code = kFirstCode; code <= kLastCode; ++code) {
    dispatcher.Dispatch({code, 1, 50});
  }
  EXPECT_EQ(host.document.GetHistory().count(), 0u);
  EXPECT_FALSE(host.document.IsModified());
}

TEST(DispatcherTinyImages, EveryMessageOnEveryDegenerateSizeStaysValid) {
  std::mt19937 random(11);
  for (auto [height, width] : test::kEdgeSizes) {
    test::TestHost host;
    OperationDispatcher dispatcher(host);
    host.document.InitImage(RandomImage(random, height, width));
    for (std::uint32_t code = kFirstCode; code <= kLastCode; ++code) {
      for (WParam w : {0u, 1u, 2u, 4u, 5u, 64u}) {
        host.selection = (code % 2) ? std::optional<Region>(Region{0, 0, 1, 1}) : std::nullopt;
        dispatcher.Dispatch({code, w, 90});
      }
    }
    ASSERT_TRUE(host.document.HasImage());
    while (host.document.Undo()) {
    }
    EXPECT_EQ(host.document.GetImage()->width, width);
    EXPECT_EQ(host.document.GetImage()->height, height);
  }
}

TEST(DispatcherBudget, AStepLargerThanTheBudgetIsRefusedWithAMessage) {
  test::TestHost host;
  OperationDispatcher dispatcher(host);
  host.document.InitImage(CreateImage(10, 10));
  host.document.SetHistoryBudget(100 * sizeof(Pixel));  // less than before + after
  dispatcher.Dispatch({WM_OP_INVERT, 0, 0});
  EXPECT_EQ(host.document.GetHistory().count(), 0u);
  EXPECT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.document.GetImage()->rows[0][0], kNewPixel);
}

// A message box runs a nested event loop, where a held spin arrow keeps posting reruns of the
// preview that was just refused; they must not rewrite the earlier step of the same operation.
TEST(DispatcherBudget, RerunsDuringTheRefusalMessageLeaveTheEarlierStepAlone) {
  struct NestedHost : test::TestHost {
    std::function<void()> duringMessage;
    void ShowMessage(const QString& text) override {
      TestHost::ShowMessage(text);
      if (duringMessage) {
        duringMessage();
      }
    }
  } host;
  OperationDispatcher dispatcher(host);
  std::mt19937 random{3};
  host.document.InitImage(RandomImage(random, 6, 6));
  dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFinal, true), PackBlockSize(2)});
  const ImagePtr earlier = CloneImage(*host.document.GetImage());
  host.document.SetHistoryBudget(sizeof(Pixel));
  host.duringMessage = [&] {
    dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFirstControl, false), PackBlockSize(3)});
  };
  dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFirstControl, true), PackBlockSize(3)});
  EXPECT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.document.GetCurrentStep()->lParam, PackBlockSize(2));
  EXPECT_TRUE(ImagesEqual(*host.document.GetImage(), *earlier));
}

// A quarter turn of a panorama needs the picture twice, not the square any angle could need.
TEST(DispatcherBudget, AQuarterTurnAsksForTheSizeItMakes) {
  test::TestHost host;
  OperationDispatcher dispatcher(host);
  host.document.InitImage(CreateImage(5, 40));
  host.document.SetHistoryBudget(600 * sizeof(Pixel));  // 200 + 6 x 41 fit; 200 + 47 x 47 not
  dispatcher.Dispatch({WM_OP_ROTATE, PackWParam(kOriginFinal, true), PackAngle(90)});
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_EQ(host.document.GetHistory().count(), 1u);
  EXPECT_EQ(host.document.GetImage()->height, 41);
}

}  // namespace
}  // namespace vantoria
