// Catches crops without a message, no-picture/degenerate crashes, nested reruns, turn budgets.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using namespace ops;

TEST(Dispatcher, CropNeedsASelectionAndIgnoresOneCoveringTheImage) {
  test::TestHost host;
  OperationDispatcher dispatcher(host);
  host.document.InitImage(CreateImage(9, 11));
  dispatcher.Dispatch({WM_OP_CROP, 0, 0});
  EXPECT_EQ(host.shown, QStringList{QStringLiteral("请选择裁剪的区域")});
  host.selection = Region{0, 0, 10, 8};
  dispatcher.Dispatch({WM_OP_CROP, 0, 0});
  EXPECT_EQ(host.document.GetHistory().count(), 0u);
  EXPECT_EQ(host.shown.size(), 1);
}

// Every code with every kind of wParam, without a picture and on every degenerate size.
TEST(Dispatcher, EveryMessageWithoutAPictureOrOnADegenerateOneStaysValid) {
  test::TestHost none;
  OperationDispatcher idle(none);
  for (std::uint32_t code = kFirstCode; code <= kLastCode; ++code) {
    idle.Dispatch({code, 1, 50});
  }
  EXPECT_EQ(none.document.GetHistory().count(), 0u);
  EXPECT_FALSE(none.document.IsModified());
  std::mt19937 random(11);
  for (auto [height, width] : test::kEdgeSizes) {
    test::TestHost host;
    OperationDispatcher dispatcher(host);
    host.document.InitImage(test::RandomImage(random, height, width));
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

// A message box runs a nested event loop, where a held spin arrow keeps posting reruns of the
// preview that was just refused; they must not rewrite the earlier step of the same operation.
TEST(Dispatcher, RerunsDuringTheRefusalMessageLeaveTheEarlierStepAlone) {
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
  host.document.InitImage(test::RandomImage(random, 6, 6));
  dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFinal, true), PackBlockSize(2)});
  const ImagePtr earlier = CloneImage(*host.document.GetImage());
  host.document.SetHistoryBudget(sizeof(Pixel));
  host.duringMessage = [&] {
    dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFirstControl, false), PackBlockSize(3)});
  };
  dispatcher.Dispatch({WM_OP_MOSAIC, PackWParam(kOriginFirstControl, true), PackBlockSize(3)});
  EXPECT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.document.GetCurrentStep()->lParam, PackBlockSize(2));
  EXPECT_TRUE(test::ImagesEqual(*host.document.GetImage(), *earlier));
}

// A quarter turn of a panorama needs the picture twice, not the square any angle could need.
TEST(Dispatcher, AQuarterTurnAsksTheBudgetForTheSizeItMakes) {
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
