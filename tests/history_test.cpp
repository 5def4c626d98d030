#include <gtest/gtest.h>

#include <vector>

#include "core/history_list.h"

namespace vantoria {
namespace {

HistoryStepPtr StepTagged(std::uint32_t tag) {
  return CreateHistoryStep(1124 + tag, std::nullopt, tag, 0, CreateImage(1, 1), CreateImage(1, 1));
}

// Walks the chain both ways and checks every link agrees; returns the tags oldest first.
std::vector<std::uint32_t> TagsChecked(const HistoryList& history) {
  std::vector<std::uint32_t> tags;
  const HistoryStep* previous = nullptr;
  for (const HistoryStep* step = history.oldest(); step; step = step->newer.get()) {
    EXPECT_EQ(step->older, previous);
    tags.push_back(step->wParam);
    previous = step;
  }
  EXPECT_EQ(history.newest(), previous);
  std::size_t backwards = 0;
  for (const HistoryStep* step = history.newest(); step; step = step->older) {
    ++backwards;
  }
  EXPECT_EQ(backwards, tags.size());
  return tags;
}

class HistoryListTest : public ::testing::Test {
 protected:
  // Five steps tagged 0..4; pointers kept in `steps`.
  void SetUp() override {
    for (std::uint32_t tag = 0; tag < 5; ++tag) {
      steps.push_back(history.Append(StepTagged(tag)));
    }
  }
  HistoryList history;
  std::vector<HistoryStep*> steps;
};

TEST(HistoryStepTest, CreateKeepsWhatItIsGivenAndFreeEmptiesThePointer) {
  HistoryStepPtr step =
      CreateHistoryStep(1133, Region{1, 2, 3, 4}, 5, 6, CreateImage(2, 3), CreateImage(4, 5));
  EXPECT_EQ(step->message, 1133u);
  EXPECT_EQ(step->wParam, 5u);
  EXPECT_EQ(step->lParam, 6u);
  EXPECT_EQ(step->region, (Region{1, 2, 3, 4}));
  EXPECT_EQ(step->byteSize(), (6u + 20u) * 4u);
  FreeHistoryStep(step);
  EXPECT_FALSE(step);
  FreeHistoryStep(step);
}

TEST(HistoryEmpty, AppendToEmptyMakesOneStepBothEnds) {
  HistoryList history;
  EXPECT_TRUE(history.empty());
  HistoryStep* step = history.Append(StepTagged(7));
  EXPECT_EQ(history.oldest(), step);
  EXPECT_EQ(history.newest(), step);
  history.Remove(step);
  EXPECT_TRUE(history.empty());
  EXPECT_EQ(history.newest(), nullptr);
  history.Remove(nullptr);
  history.TruncateFrom(nullptr);
  history.RemoveAll();
  EXPECT_TRUE(history.empty());
}

TEST_F(HistoryListTest, AppendKeepsOrderAndLinks) {
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(history.count(), 5u);
  EXPECT_EQ(history.byteSize(), 5u * 2u * 4u);
}

TEST_F(HistoryListTest, RemoveInTheMiddleLinksTheNeighbours) {
  history.Remove(steps[2]);
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1, 3, 4}));
}

TEST_F(HistoryListTest, RemoveOldestMovesTheStart) {
  history.Remove(steps[0]);
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(history.oldest(), steps[1]);
}

TEST_F(HistoryListTest, RemoveNewestMovesTheEnd) {
  history.Remove(steps[4]);
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(history.newest(), steps[3]);
  EXPECT_EQ(steps[3]->newer, nullptr);
}

TEST_F(HistoryListTest, TruncateFromDropsTheStepAndEveryNewerOne) {
  history.TruncateFrom(steps[2]);
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1}));
  history.Append(StepTagged(9));
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1, 9}));
}

TEST_F(HistoryListTest, TruncateFromNewestDropsOnlyIt) {
  history.TruncateFrom(steps[4]);
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST_F(HistoryListTest, RemoveAllEmptiesAndTheListIsReusable) {
  history.RemoveAll();
  EXPECT_TRUE(history.empty());
  EXPECT_EQ(history.count(), 0u);
  history.Append(StepTagged(3));
  EXPECT_EQ(TagsChecked(history), (std::vector<std::uint32_t>{3}));
}

TEST(HistoryLong, AVeryLongHistoryIsFreedWithoutDeepRecursion) {
  HistoryList history;
  for (std::uint32_t tag = 0; tag < 200000; ++tag) {
    history.Append(CreateHistoryStep(1128, std::nullopt, tag, 0, nullptr, nullptr));
  }
  EXPECT_EQ(history.count(), 200000u);
  // Dropping the owner of the whole chain at once must not recurse once per step.
  HistoryStepPtr chain = CreateHistoryStep(1128, std::nullopt, 0, 0, nullptr, nullptr);
  HistoryStep* tail = chain.get();
  for (int k = 0; k < 200000; ++k) {
    tail->newer = CreateHistoryStep(1128, std::nullopt, 0, 0, nullptr, nullptr);
    tail->newer->older = tail;
    tail = tail->newer.get();
  }
  chain.reset();
}

}  // namespace
}  // namespace vantoria
