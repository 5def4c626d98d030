// Catches an off-by-one budget on open, reruns into older steps, refusals that change things.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <random>

#include "document/image_codecs.h"
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
