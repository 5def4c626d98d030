// Catches edits that change anything instead of refusing when any allocation fails.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"
#include "support/memory_runs_out.h"

namespace vantoria {
namespace {

using namespace ops;
using test::ImagesEqual;

struct Edit {
  std::string name;
  std::vector<OperationMessage> setup;  // posted with memory to spare
  OperationMessage message;             // posted while memory runs out
};

constexpr WParam kPreview = PackWParam(kOriginFirstControl, true);
constexpr WParam kRerun = PackWParam(kOriginSecondControl, false);
constexpr WParam kOk = PackWParam(kOriginFinal, true);

std::vector<Edit> EveryEdit() {
  std::vector<Edit> edits = {
      {"invert", {}, {WM_OP_INVERT, 0, 0}},
      {"grey", {}, {WM_OP_GRAYSCALE, kGrayWeighted, 0}},
      {"redeye", {}, {WM_OP_REDEYE, 0, 0}},
      {"mirror", {}, {WM_OP_MIRROR, kMirrorVertical, 0}},
      {"sharpen", {}, {WM_OP_SHARPEN, 0, 0}},
      {"median", {}, {WM_OP_SOFTEN, kSoftenMedian, 0}},
      {"emboss", {}, {WM_OP_EMBOSS, 0, 0}},
      {"sketch", {}, {WM_OP_SKETCH, 0, 0}},
      {"resize", {}, {WM_OP_RESIZE, 1, PackSize(13, 4)}},
      {"crop", {}, {WM_OP_CROP, 0, 0}},
      {"rotate", {}, {WM_OP_ROTATE, kOk, PackAngle(30)}},
      {"rotate rerun",
       {{WM_OP_ROTATE, kPreview, PackAngle(10)}},
       {WM_OP_ROTATE, kRerun, PackAngle(75)}},
      {"rotate cancel", {{WM_OP_ROTATE, kPreview, PackAngle(10)}}, {WM_OP_RESTORE, 0, 0}},
  };
  const std::vector<std::pair<std::uint32_t, LParam>> adjustments = {
      {WM_OP_BRIGHTNESS_CONTRAST, PackBrightnessContrast(20, -30)},
      {WM_OP_TRANSPARENCY, PackTransparency(-40)},
      {WM_OP_HSL, PackHsl(50, -20, 10)},
      {WM_OP_BINARIZE, PackThreshold(90)},
      {WM_OP_MOSAIC, PackBlockSize(3)},
  };
  for (const auto& [code, lParam] : adjustments) {
    const std::string name = "adjustment " + std::to_string(code);
    edits.push_back({name, {}, {code, kOk, lParam}});
    edits.push_back({name + " rerun", {{code, kPreview, 0}}, {code, kRerun, lParam}});
    edits.push_back({name + " cancel", {{code, kPreview, lParam}}, {WM_OP_RESTORE, 0, 0}});
  }
  return edits;
}

// What a user can reach: every picture of the history in order, the position, the flag.
struct Reachable {
  std::vector<ImagePtr> pictures;
  std::size_t position = 0;
  bool modified = false;
};

// Walks the whole history and back, so it must run with memory to spare.
Reachable ReachableState(CVantoriaDoc& document) {
  Reachable state;
  state.modified = document.IsModified();
  while (document.CanUndo()) {
    EXPECT_TRUE(document.Undo());
    ++state.position;
  }
  state.pictures.push_back(CloneImage(*document.GetImage()));
  while (document.CanRedo()) {
    EXPECT_TRUE(document.Redo());
    state.pictures.push_back(CloneImage(*document.GetImage()));
  }
  for (std::size_t k = state.position; k + 1 < state.pictures.size(); ++k) {
    EXPECT_TRUE(document.Undo());
  }
  EXPECT_EQ(document.IsModified(), state.modified);
  return state;
}

bool SameState(const Reachable& a, const Reachable& b) {
  if (a.position != b.position || a.modified != b.modified ||
      a.pictures.size() != b.pictures.size()) {
    return false;
  }
  for (std::size_t k = 0; k < a.pictures.size(); ++k) {
    if (!ImagesEqual(*a.pictures[k], *b.pictures[k])) {
      return false;
    }
  }
  return true;
}

// A document with a picture and one earlier edit, the given selection, and the edit's setup.
class EditRun {
 public:
  EditRun(const Edit& edit, std::optional<Region> selection) {
    std::mt19937 random(17);
    host_.document.InitImage(test::RandomImage(random, 7, 9));
    host_.selection = Region{2, 2, 3, 3};
    dispatcher_.Dispatch({WM_OP_INVERT, 0, 0});
    host_.selection = selection;
    for (const OperationMessage& message : edit.setup) {
      dispatcher_.Dispatch(message);
    }
  }
  void Post(const OperationMessage& message) { dispatcher_.Dispatch(message); }
  CVantoriaDoc& Document() { return host_.document; }
  const QStringList& Shown() const { return host_.shown; }

 private:
  test::TestHost host_;
  OperationDispatcher dispatcher_{host_};
};

void CheckEveryFailurePoint(const Edit& edit, std::optional<Region> selection) {
  EditRun reference(edit, selection);
  reference.Post(edit.message);
  ASSERT_TRUE(reference.Shown().isEmpty()) << reference.Shown().join(' ').toStdString();
  const Reachable expected = ReachableState(reference.Document());
  constexpr int kMostAllocations = 16;
  for (int successes = 0; successes <= kMostAllocations; ++successes) {
    SCOPED_TRACE("allocations that succeed: " + std::to_string(successes));
    EditRun run(edit, selection);
    const Reachable before = ReachableState(run.Document());
    {
      const test::MemoryRunsOut noMemory(successes);
      run.Post(edit.message);
    }
    const Reachable after = ReachableState(run.Document());
    if (run.Shown().isEmpty()) {
      EXPECT_TRUE(SameState(after, expected)) << "completed with another result";
      return;
    }
    EXPECT_EQ(run.Shown(), QStringList{texts::OutOfMemory()});
    EXPECT_TRUE(SameState(after, before)) << "refused, but the document changed";
  }
  ADD_FAILURE() << "still short of memory after " << kMostAllocations << " allocations";
}

TEST(EditsWithoutMemory, OnTheWholePictureAndOnASelection) {
  for (const Edit& edit : EveryEdit()) {
    SCOPED_TRACE(edit.name);
    if (edit.message.code != WM_OP_CROP) {  // crop needs a selection
      CheckEveryFailurePoint(edit, std::nullopt);
    }
    CheckEveryFailurePoint(edit, Region{1, 2, 6, 4});
  }
}

}  // namespace
}  // namespace vantoria
