// Catches image allocation, crop/paste, border-copy and row-band faults at every edge size.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/pixel_image.h"
#include "imaging/parallel_rows.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::RandomImage;

TEST(PixelImage, CreateCloneWrapAndFreeAtEverySize) {
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
    ASSERT_TRUE(copy);
    EXPECT_TRUE(ImagesEqual(*copy, *image));
    FreeImage(copy);
    EXPECT_FALSE(copy);
    FreeImage(copy);  // a second free of an empty pointer does nothing
  }
  EXPECT_FALSE(CreateImage(-1, 5));
  EXPECT_FALSE(CreateImage(5, -1));
  EXPECT_FALSE(WrapImage(PixelBuffer(), 2, 2));
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

TEST(PixelImage, SizeMismatchesFailAndLeaveTheDestinationAlone) {
  std::mt19937 random(4);
  ImagePtr source = RandomImage(random, 3, 3);
  ImagePtr destination = CreateImage(3, 4);
  EXPECT_FALSE(CopyImagePixels(*source, *destination));
  EXPECT_FALSE(CopyImageRegion(*source, Region{0, 0, 1, 1}, *destination));
  EXPECT_FALSE(PasteImage(*source, *destination, Region{0, 0, 1, 2}));
  EXPECT_TRUE(ImagesEqual(*destination, *CreateImage(3, 4)));
}

TEST(PixelImage, RegionInsideRejectsEmptyAndOutlyingRegions) {
  ImagePtr image = CreateImage(480, 640);
  EXPECT_TRUE(RegionInside(Region{0, 0, 639, 479}, *image));
  EXPECT_TRUE(RegionInside(Region{5, 5, 5, 5}, *image));
  EXPECT_FALSE(RegionInside(Region{0, 0, 640, 479}, *image));
  EXPECT_FALSE(RegionInside(Region{-1, 0, 10, 10}, *image));
  EXPECT_FALSE(RegionInside(Region{10, 10, 9, 20}, *image));
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

TEST(PixelImageAllocationTest, BorderCopyAndUninitialisedImages) {
  std::mt19937 random(5);
  for (const auto& [height, width] : test::kEdgeSizes) {
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
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->height, height);
    EXPECT_EQ(fresh->width, width);
  }
  ImagePtr small = CreateImage(2, 2);
  ImagePtr other = CreateImage(2, 3);
  EXPECT_FALSE(CopyImageBorder(*small, *other));
  EXPECT_FALSE(AllocateImage(-1, 5));
  // Large enough for huge pages: aligned to them, and fully usable.
  ImagePtr large = AllocateImage(1100, 1000);
  ASSERT_TRUE(large);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large->pixels()) % (std::size_t{2} << 20), 0u);
  std::fill_n(large->pixels(), large->pixelCount(), 0x12345678u);
  EXPECT_EQ(large->rows[1099][999], 0x12345678u);
}

}  // namespace
}  // namespace vantoria
