// Catches budget faults (eviction order, limits off by one) and refusals that change anything.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/memory_budget.h"
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

constexpr std::size_t kPicture = 10 * 10 * sizeof(Pixel);  // every document starts 10 x 10
constexpr std::size_t kStep = 2 * kPicture;                // a whole-image invert: before, after

class ProgramBudget : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& document : documents) {
      document = std::make_unique<CVantoriaDoc>();
      document->InitImage(test::RandomImage(random, 10, 10));
    }
  }
  void TearDown() override { Budget().SetLimit(0); }
  static MemoryBudget& Budget() { return ProgramMemoryBudget(); }
  void Edit(int index, std::uint32_t code = WM_OP_INVERT, LParam lParam = 0) {
    host.active = documents[index].get();
    host.Post(code, 1, lParam);
  }
  std::size_t Steps(int index) const { return documents[index]->GetHistory().count(); }

  std::mt19937 random{7};
  std::array<std::unique_ptr<CVantoriaDoc>, 2> documents;
  test::TestHost host;
};

TEST_F(ProgramBudget, TheOldestStepOfAnyDocumentGoesFirst) {
  Budget().SetLimit(2 * kPicture + 3 * kStep);
  struct Row {
    int edited;
    std::size_t stepsA, stepsB;
  };
  // Stamps by age: A1 B1 A2 B2 B3 A3. A current step is never dropped.
  for (const Row& row : {Row{0, 1, 0}, Row{1, 1, 1}, Row{0, 2, 1},  // the third fills it exactly
                         Row{1, 1, 2},                              // A1 goes, not B1
                         Row{1, 1, 2},                              // B1: A has only its current
                         Row{0, 1, 2}}) {                           // A2 before B2
    Edit(row.edited);
    EXPECT_EQ(std::pair(Steps(0), Steps(1)), std::pair(row.stepsA, row.stepsB)) << row.edited;
    EXPECT_LE(Budget().Used(), Budget().Limit());
  }
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_TRUE(documents[0]->IsModified() && documents[0]->CanUndo());
  for (auto& document : documents) {
    document.reset();  // closing gives every share back
  }
  EXPECT_EQ(Budget().Used(), 0u);
}

// Document A holds its picture and two steps, the older of which may go (kStep bytes).
TEST_F(ProgramBudget, AFileThatDoesNotFitIsRefusedAndNothingIsLost) {
  QTemporaryDir directory;
  const ImagePtr picture = test::RandomImage(random, 20, 30);
  const QString path = directory.filePath("big.png");
  ASSERT_TRUE(EncodeImageFile(*picture, path, *GetEncoderClsid(path), nullptr));
  const std::size_t fileBytes = picture->byteSize();
  documents[1].reset();
  Edit(0);
  Edit(0);
  const std::size_t used = Budget().Used();
  ASSERT_EQ(used, kPicture + 2 * kStep);
  struct Row {
    int windows;
    std::size_t limit;
    bool opens;
    std::size_t stepsLeft;
  };
  const std::size_t held = kPicture + kStep;  // what A cannot give back
  for (const Row& row :
       {Row{1, held + 2 * fileBytes - 1, false, 2}, Row{1, held + 2 * fileBytes, true, 2},
        Row{0, held + fileBytes - 1, false, 2}, Row{0, held + fileBytes, true, 1}}) {
    SCOPED_TRACE(row.limit);
    Budget().SetLimit(row.limit);
    auto opened = std::make_unique<CVantoriaDoc>();
    EXPECT_EQ(opened->LoadImageFile(path, row.windows), row.opens);
    EXPECT_EQ(opened->HasImage(), row.opens);
    EXPECT_EQ(opened->GetLastError().startsWith(QString::fromUtf8("图像太大，内存不足")),
              !row.opens);
    EXPECT_EQ(Steps(0), row.stepsLeft);
    const std::size_t usedBefore = Budget().Used() - (row.opens ? fileBytes : 0);
    opened.reset();
    EXPECT_EQ(Budget().Used(), usedBefore);  // closing gives the picture's share back
    EXPECT_EQ(usedBefore, row.stepsLeft == 2 ? used : used - kStep);
  }
  // A document's own history budget limits what it opens as well.
  Budget().SetLimit(0);
  for (const std::size_t budget : {fileBytes - 1, fileBytes}) {
    CVantoriaDoc document;
    document.SetHistoryBudget(budget);
    EXPECT_EQ(document.LoadImageFile(path), budget == fileBytes);
    EXPECT_EQ(document.GetLastError().contains(path), budget < fileBytes);
  }
}

// A resize of B to 20 x 30 needs its step (the old and the new picture) and a new picture.
TEST_F(ProgramBudget, AnEditThatDoesNotFitIsRefusedWithTheDocumentUnchanged) {
  Edit(0);
  Edit(0);
  const std::size_t resized = 20 * 30 * sizeof(Pixel);
  const std::size_t needs = kPicture + 2 * resized;
  const std::size_t held = 2 * kPicture + kStep;  // pictures A and B, and A's current step
  CVantoriaDoc& b = *documents[1];
  const ImagePtr before = CloneImage(*b.GetImage());
  b.SetTitle(QStringLiteral("b.png"));
  const std::size_t used = Budget().Used();

  Budget().SetLimit(held + needs - 1);
  Edit(1, WM_OP_RESIZE, PackSize(30, 20));
  EXPECT_EQ(host.shown, QStringList{texts::OutOfMemory()});
  EXPECT_TRUE(ImagesEqual(*b.GetImage(), *before));
  EXPECT_TRUE(b.GetHistory().empty());
  EXPECT_FALSE(b.IsModified());
  EXPECT_EQ(b.GetTitle(), QStringLiteral("b.png"));
  EXPECT_EQ(Steps(0), 2u);  // nothing of A dropped for an edit that was refused anyway
  EXPECT_EQ(Budget().Used(), used);

  Budget().SetLimit(held + needs);  // fits once A's older step has gone
  host.shown.clear();
  Edit(1, WM_OP_RESIZE, PackSize(30, 20));
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_EQ(b.GetImage()->width, 30);
  EXPECT_EQ(Steps(0), 1u);
  EXPECT_EQ(Budget().Used(), held + needs - kPicture);  // B's old picture given back
}

struct Edit {
  std::string name;
  std::vector<OperationMessage> setup;  // posted with memory to spare
  OperationMessage message;             // posted while memory runs out
};

constexpr std::size_t kEarlierStep = 2 * 2 * 2 * sizeof(Pixel);  // a 2 x 2 invert
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

// What a user can reach: every picture of the history in order, the position, the flag, and
// the current step's parameters (a rerun compares against them).
struct Reachable {
  std::vector<ImagePtr> pictures;
  std::size_t position = 0;
  bool modified = false;
  LParam lParam = 0;

  bool operator==(const Reachable& other) const {
    return position == other.position && modified == other.modified && lParam == other.lParam &&
           std::equal(pictures.begin(), pictures.end(), other.pictures.begin(),
                      other.pictures.end(),
                      [](const ImagePtr& a, const ImagePtr& b) { return ImagesEqual(*a, *b); });
  }
};

// Walks the whole history and back, so it must run with memory to spare.
Reachable ReachableState(CVantoriaDoc& document) {
  Reachable state;
  state.modified = document.IsModified();
  state.lParam = document.GetCurrentStep() ? document.GetCurrentStep()->lParam : 0;
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

// A document with a picture and one earlier edit, the given selection, and the edit's setup.
struct EditRun {
  EditRun(const Edit& edit, std::optional<Region> selection, std::size_t budget) {
    std::mt19937 random(17);
    host.document.InitImage(test::RandomImage(random, 7, 9));
    host.document.SetHistoryBudget(budget);
    host.selection = Region{2, 2, 3, 3};
    host.Post(WM_OP_INVERT, 0, 0);
    host.selection = selection;
    for (const OperationMessage& message : edit.setup) {
      host.dispatcher.Dispatch(message);
    }
  }
  test::TestHost host;
};

// Where the edit adds to the history, the budget leaves it room only once the earlier edit is
// dropped: a refusal must keep that step too.
void CheckEveryFailurePoint(const Edit& edit, std::optional<Region> selection) {
  EditRun unlimited(edit, selection, SIZE_MAX);
  unlimited.host.dispatcher.Dispatch(edit.message);
  const std::size_t grown = unlimited.host.document.GetHistory().byteSize();
  const std::size_t budget = grown > kEarlierStep ? grown - 1 : SIZE_MAX;
  EditRun reference(edit, selection, budget);
  reference.host.dispatcher.Dispatch(edit.message);
  ASSERT_TRUE(reference.host.shown.isEmpty()) << reference.host.shown.join(' ').toStdString();
  const Reachable expected = ReachableState(reference.host.document);
  constexpr int kMostAllocations = 16;
  for (int successes = 0; successes <= kMostAllocations; ++successes) {
    SCOPED_TRACE("allocations that succeed: " + std::to_string(successes));
    EditRun run(edit, selection, budget);
    const Reachable before = ReachableState(run.host.document);
    {
      const test::MemoryRunsOut noMemory(successes);
      run.host.dispatcher.Dispatch(edit.message);
    }
    const Reachable after = ReachableState(run.host.document);
    if (run.host.shown.isEmpty()) {
      EXPECT_TRUE(after == expected) << "completed with another result";
      return;
    }
    EXPECT_EQ(run.host.shown, QStringList{texts::OutOfMemory()});
    EXPECT_TRUE(after == before) << "refused, but the document changed";
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
