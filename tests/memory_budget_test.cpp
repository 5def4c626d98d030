// Catches a program-wide budget that drops a newer step before an older one of another
// document, is off by one at its limit, loses something when a file or edit is refused, or
// keeps a closed document's share.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <array>
#include <memory>
#include <random>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using namespace ops;

constexpr std::size_t kPicture = 10 * 10 * sizeof(Pixel);  // every document starts 10 x 10
constexpr std::size_t kStep = 2 * kPicture;                // a whole-image invert: before, after

struct Host : DispatchHost {
  CVantoriaDoc* active = nullptr;
  QStringList shown;
  CVantoriaDoc* ActiveDocument() override { return active; }
  std::optional<Region> GetSelectionRect() override { return std::nullopt; }
  void ShowMessage(const QString& text) override { shown.append(text); }
};

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
    dispatcher.Dispatch({code, 1, lParam});
  }
  std::size_t Steps(int index) const { return documents[index]->GetHistory().count(); }

  std::mt19937 random{7};
  std::array<std::unique_ptr<CVantoriaDoc>, 2> documents;
  Host host;
  OperationDispatcher dispatcher{host};
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
    EXPECT_EQ(Steps(0), row.stepsA) << "after an edit of " << row.edited;
    EXPECT_EQ(Steps(1), row.stepsB) << "after an edit of " << row.edited;
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
  const QString path = directory.filePath("big.png");
  const ImagePtr picture = test::RandomImage(random, 20, 30);
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
  EXPECT_TRUE(test::ImagesEqual(*b.GetImage(), *before));
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

}  // namespace
}  // namespace vantoria
