// Catches broken links, counts or sizes in the history list, and recursion freeing long ones.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/history_list.h"

namespace vantoria {
namespace {

using Tags = std::vector<std::uint32_t>;

HistoryStepPtr StepTagged(std::uint32_t tag) {
  return CreateHistoryStep(1124 + tag, std::nullopt, tag, 0, CreateImage(1, 1), CreateImage(1, 1));
}

// Walks the chain both ways and checks every link agrees; returns the tags oldest first.
Tags TagsChecked(const HistoryList& history) {
  Tags tags;
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
  EXPECT_EQ(history.count(), tags.size());
  EXPECT_EQ(history.byteSize(), tags.size() * 2u * 4u);
  EXPECT_EQ(history.empty(), tags.empty());
  return tags;
}

TEST(HistoryStep, CreateKeepsWhatItIsGivenAndFreeEmptiesThePointer) {
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

// Five steps tagged 0..4, one change, then one more append (tag 9) to prove the list still works.
TEST(HistoryList, EveryChangeKeepsTheLinks) {
  using Change = std::function<void(HistoryList&, const std::vector<HistoryStep*>&)>;
  const struct {
    const char* what;
    Change change;
    Tags expected;
  } rows[] = {
      {"nothing", [](auto&, auto&) {}, {0, 1, 2, 3, 4, 9}},
      {"remove middle", [](auto& h, auto& s) { h.Remove(s[2]); }, {0, 1, 3, 4, 9}},
      {"remove oldest", [](auto& h, auto& s) { h.Remove(s[0]); }, {1, 2, 3, 4, 9}},
      {"remove newest", [](auto& h, auto& s) { h.Remove(s[4]); }, {0, 1, 2, 3, 9}},
      {"remove null", [](auto& h, auto&) { h.Remove(nullptr); }, {0, 1, 2, 3, 4, 9}},
      {"truncate middle", [](auto& h, auto& s) { h.TruncateFrom(s[2]); }, {0, 1, 9}},
      {"truncate newest", [](auto& h, auto& s) { h.TruncateFrom(s[4]); }, {0, 1, 2, 3, 9}},
      {"truncate oldest", [](auto& h, auto& s) { h.TruncateFrom(s[0]); }, {9}},
      {"truncate null", [](auto& h, auto&) { h.TruncateFrom(nullptr); }, {0, 1, 2, 3, 4, 9}},
      {"remove all", [](auto& h, auto&) { h.RemoveAll(); }, {9}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    HistoryList history;
    std::vector<HistoryStep*> steps;
    for (std::uint32_t tag = 0; tag < 5; ++tag) {
      steps.push_back(history.Append(StepTagged(tag)));
    }
    row.change(history, steps);
    Tags expected(row.expected.begin(), row.expected.end() - 1);
    EXPECT_EQ(TagsChecked(history), expected);
    history.Append(StepTagged(9));
    EXPECT_EQ(TagsChecked(history), row.expected);
  }
  HistoryList history;
  HistoryStep* only = history.Append(StepTagged(7));
  EXPECT_EQ(history.oldest(), only);
  history.Remove(only);
  EXPECT_EQ(TagsChecked(history), Tags{});
}

TEST(HistoryList, AVeryLongHistoryIsFreedWithoutDeepRecursion) {
  HistoryList history;
  for (std::uint32_t tag = 0; tag < 200000; ++tag) {
    history.Append(CreateHistoryStep(1128, std::nullopt, tag, 0, nullptr, nullptr));
  }
  EXPECT_EQ(history.count(), 200000u);
  // Dropping the owner of the whole chain at once must not recurse once per step either.
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
