// Catches high bits read, an unsigned size height, degenerate sizes, nested and over-budget reruns.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using namespace ops;
using Values = std::vector<long long>;

TEST(OperationMessages, HigherBitsAreIgnoredAndTheSizeHeightIsSigned) {
  EXPECT_EQ((Values{DecodeThreshold(0xABCD0080u), DecodeTransparency(0xFFFFFF00u | 200u),
                    DecodeAngle(0x12340000u | 90u), DecodeBlockSize(0xFFFF0000u | 7u),
                    DecodeSize(PackSize(65535, 32767)).width,
                    DecodeSize(PackSize(65535, 32767)).height, DecodeSize(PackSize(0, 5)).width}),
            (Values{128, 254, 90, 7, 65535, 32767, 0}));
  EXPECT_LT(DecodeSize(PackSize(10, 0x8000)).height, 0);
}

// Every code with every kind of wParam, without a picture and on every degenerate size.
TEST(Dispatcher, EveryMessageWithoutAPictureOrOnADegenerateOneStaysValid) {
  test::TestHost none;
  for (std::uint32_t code = kFirstCode; code <= kLastCode; ++code) {
    none.Post(code, 1, 50);
  }
  EXPECT_EQ(none.document.GetHistory().count(), 0u);
  EXPECT_FALSE(none.document.IsModified());
  EXPECT_TRUE(none.shown.isEmpty()) << "crop of no picture says nothing";
  std::mt19937 random(11);
  for (auto [height, width] : test::kEdgeSizes) {
    test::TestHost host(test::RandomImage(random, height, width));
    for (std::uint32_t code = kFirstCode; code <= kLastCode; ++code) {
      for (WParam w : {0u, 1u, 2u, 4u, 5u, 64u}) {
        host.selection = (code % 2) ? std::optional<Region>(Region{0, 0, 1, 1}) : std::nullopt;
        host.Post(code, w, 90);
      }
    }
    ASSERT_TRUE(host.document.HasImage());
    while (host.document.Undo()) {
    }
    EXPECT_EQ(host.document.GetImage()->width, width);
    EXPECT_EQ(host.document.GetImage()->height, height);
  }
}

// A message box runs a nested event loop, where a held spin arrow keeps posting reruns of the
// preview that was just refused; they must not rewrite the earlier step of the same operation.
TEST(Dispatcher, RerunsDuringTheRefusalMessageLeaveTheEarlierStepAlone) {
  struct NestedHost : test::TestHost {
    using TestHost::TestHost;
    std::function<void()> duringMessage;
    void ShowMessage(const QString& text) override {
      TestHost::ShowMessage(text);
      if (duringMessage) {
        duringMessage();
      }
    }
  };
  std::mt19937 random{3};
  NestedHost host(test::RandomImage(random, 6, 6));
  host.Post(WM_OP_MOSAIC, PackWParam(kOriginFinal, true), PackBlockSize(2));
  const ImagePtr earlier = CloneImage(*host.document.GetImage());
  host.document.SetHistoryBudget(sizeof(Pixel));
  host.duringMessage = [&] {
    host.Post(WM_OP_MOSAIC, PackWParam(kOriginFirstControl, false), PackBlockSize(3));
  };
  host.Post(WM_OP_MOSAIC, PackWParam(kOriginFirstControl, true), PackBlockSize(3));
  EXPECT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.document.GetCurrentStep()->lParam, PackBlockSize(2));
  EXPECT_TRUE(test::ImagesEqual(*host.document.GetImage(), *earlier));
}

// A rotate rerun that grows its step past the budget drops the older steps, and only then: a 1 x 2
// picture inverted (16 bytes), then turned by 0 (2 + 6 pixels) and rerun at 30 degrees (2 + 9).
TEST(Dispatcher, ARotateRerunGrowingPastTheBudgetDropsTheOlderStep) {
  for (const std::size_t budget : {59u, 60u}) {
    test::TestHost host(CreateImage(1, 2));
    host.Post(WM_OP_INVERT, 0, 0);
    host.Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, true), PackAngle(0));
    host.document.SetHistoryBudget(budget);
    host.Post(WM_OP_ROTATE, PackWParam(kOriginFirstControl, false), PackAngle(30));
    EXPECT_EQ(host.document.GetImage()->width * host.document.GetImage()->height, 9);
    EXPECT_EQ(host.document.GetHistory().count(), budget == 60 ? 2u : 1u) << budget;
  }
}

}  // namespace
}  // namespace vantoria
