// Catches image allocation, crop/paste, border, row-band and history-list faults at edge sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/history_list.h"
#include "core/memory_budget.h"
#include "core/pixel_image.h"
#include "core/testing_hooks.h"
#include "imaging/parallel_rows.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::RandomImage;

TEST(PixelImage, CreateCloneCopyBorderWrapAndFreeAtEverySize) {
  std::mt19937 random(5);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = CreateImage(height, width);
    ASSERT_TRUE(image) << height << "x" << width;
    ASSERT_EQ(image->rows.size(), static_cast<std::size_t>(height));
    for (int i = 0; i < height; ++i) {
      ASSERT_EQ(image->rows[i], image->pixels() + i * width);
    }
    EXPECT_EQ(std::count(image->pixels(), image->pixels() + image->pixelCount(), kNewPixel),
              static_cast<long>(image->pixelCount()));
    ImagePtr copy = CloneImage(*image);
    ASSERT_TRUE(copy && ImagesEqual(*copy, *image));
    FreeImage(copy);
    EXPECT_FALSE(copy);
    FreeImage(copy);  // a second free of an empty pointer does nothing
    ImagePtr source = test::RandomImage(random, height, width);
    ImagePtr destination = test::RandomImage(random, height, width);
    ImagePtr before = CloneImage(*destination);
    ASSERT_TRUE(CopyImageBorder(*source, *destination));
    for (int i = 0; i < height; ++i) {
      for (int j = 0; j < width; ++j) {
        const bool border = i == 0 || j == 0 || i == height - 1 || j == width - 1;
        ASSERT_EQ(destination->rows[i][j], border ? source->rows[i][j] : before->rows[i][j])
            << height << " x " << width << " at " << i << ", " << j;
      }
    }
    ImagePtr fresh = AllocateImage(height, width);
    ASSERT_TRUE(fresh && fresh->height == height && fresh->width == width);
  }
  EXPECT_FALSE(CopyImageBorder(*CreateImage(2, 2), *CreateImage(2, 3)));
  EXPECT_FALSE(AllocateImage(-1, 5) || CreateImage(-1, 5) || CreateImage(5, -1) ||
               WrapImage(PixelBuffer(), 2, 2));
  // Large enough for huge pages: aligned to them, and fully usable.
  ImagePtr large = AllocateImage(1100, 1000);
  ASSERT_TRUE(large);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large->pixels()) % (std::size_t{2} << 20), 0u);
  std::fill_n(large->pixels(), large->pixelCount(), 0x12345678u);
  EXPECT_EQ(large->rows[1099][999], 0x12345678u);
  PixelBuffer buffer = AllocatePixels(6);
  Pixel* raw = buffer.get();
  for (int k = 0; k < 6; ++k) {
    raw[k] = 0x01020300u + static_cast<Pixel>(k);
  }
  ImagePtr image = WrapImage(std::move(buffer), 3, 2);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels(), raw);  // taken, not copied
  EXPECT_EQ(image->rows[2][1], 0x01020305u);
}

// Spare blocks are readied in the background, charged to the budget while kept, taken by the
// next pictures of their size, and left out where the budget has no room for them.
TEST(PixelImage, SpareBlocksAreReadiedChargedTakenAndHeldToTheBudget) {
  constexpr std::size_t kPixels = std::size_t{1} << 20;  // 4 MB: large enough to be kept
  constexpr std::size_t kBytes = kPixels * sizeof(Pixel);
  MemoryBudget& budget = ProgramMemoryBudget();
  ReleaseCachedPixels();
  const std::size_t before = budget.Used();
  PrepareSparePixels(kPixels);
  WaitForSparePixels();
  EXPECT_EQ(budget.Used(), before + 2 * kBytes);
  {
    const ImagePtr first = AllocateImage(1024, 1024);
    const ImagePtr second = AllocateImage(1024, 1024);
    EXPECT_EQ(budget.Used(), before);
  }
  ReleaseCachedPixels();
  budget.SetLimit(before + kBytes + kBytes / 2);
  PrepareSparePixels(kPixels);
  WaitForSparePixels();
  EXPECT_EQ(budget.Used(), before + kBytes);
  budget.SetLimit(0);
  ReleaseCachedPixels();
}

TEST(PixelImage, CropThenPasteBackRestoresEveryRegion) {
  std::mt19937 random(3);
  ImagePtr source = RandomImage(random, 6, 9);
  for (int trial = 0; trial < 50; ++trial) {
    std::uniform_int_distribution<int> column(0, 8), row(0, 5);
    int l = column(random), r = column(random), t = row(random), b = row(random);
    const Region region{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
    ImagePtr part = CropImage(*source, region);
    ImagePtr target = CreateImage(6, 9);
    ASSERT_TRUE(PasteImage(*part, *target, region));
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 9; ++j) {
        const bool inside =
            i >= region.top && i <= region.bottom && j >= region.left && j <= region.right;
        EXPECT_EQ(target->rows[i][j], inside ? source->rows[i][j] : kNewPixel);
      }
    }
  }
}

TEST(PixelImage, MismatchedSizesAndOutlyingRegionsAreRefused) {
  std::mt19937 random(4);
  ImagePtr source = RandomImage(random, 3, 3);
  ImagePtr destination = CreateImage(3, 4);
  EXPECT_FALSE(CopyImagePixels(*source, *destination));
  EXPECT_FALSE(CopyImageRegion(*source, Region{0, 0, 1, 1}, *destination));
  EXPECT_FALSE(PasteImage(*source, *destination, Region{0, 0, 1, 2}));
  EXPECT_TRUE(ImagesEqual(*destination, *CreateImage(3, 4)));
  // Empty regions, and regions reaching outside, are not inside.
  ImagePtr image = CreateImage(480, 640);
  std::vector<bool> inside;
  for (const Region& r : {Region{0, 0, 639, 479}, Region{5, 5, 5, 5}, Region{0, 0, 640, 479},
                          Region{-1, 0, 10, 10}, Region{10, 10, 9, 20}, Region{0, 0, 639, 480}}) {
    inside.push_back(RegionInside(r, *image));
  }
  EXPECT_EQ(inside, (std::vector<bool>{true, true, false, false, false, false}));
  EXPECT_FALSE(RegionInside(Region{0, 0, 0, 0}, *CreateImage(0, 0)));
}

TEST(ParallelRows, BandsCoverEveryRowOnceAndPassOnFailures) {
  const std::size_t minimum = ParallelMinimumPixels();
  SetParallelMinimumPixels(0);
  for (const int threads : {1, 2, 3, 8}) {
    SetThreadCount(threads);
    for (const int rows : {0, 1, 2, 3, 7, 100}) {
      std::vector<int> seen(static_cast<std::size_t>(rows), 0);
      std::mutex lock;
      std::vector<std::pair<int, int>> bands;
      ParallelRows(rows, 1, [&](std::int32_t first, std::int32_t end) {
        const std::lock_guard<std::mutex> guard(lock);
        bands.push_back({first, end});
        for (int i = first; i < end; ++i) {
          ++seen[static_cast<std::size_t>(i)];
        }
      });
      EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), rows) << threads << ", " << rows;
      EXPECT_LE(bands.size(), static_cast<std::size_t>(std::max(1, std::min(threads, rows))));
    }
    EXPECT_THROW(ParallelRows(10, 1,
                              [](std::int32_t first, std::int32_t) {
                                if (first > 0 || ThreadCount() == 1) {
                                  throw std::runtime_error("band failed");
                                }
                              }),
                 std::runtime_error);
  }
  // Below the minimum work everything stays on the calling thread, in one band.
  SetThreadCount(2);
  SetParallelMinimumPixels(1000);
  std::atomic<int> calls = 0;
  ParallelRows(10, 99, [&](std::int32_t first, std::int32_t end) {
    ++calls;
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 10);
  });
  EXPECT_EQ(calls, 1);
  SetParallelMinimumPixels(minimum);
  SetThreadCount(0);
}

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
  history.Remove(history.Append(StepTagged(7)));
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
