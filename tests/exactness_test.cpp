// Every optimised routine against its plain twin in tests/reference/, tolerance 0: random
// images of many sizes (empty, one pixel, one row or column, sizes around the vector widths,
// larger odd ones), random and extreme parameters, each vector build the processor runs and
// one, two and three threads.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/colour_ops.h"
#include "imaging/display_blend.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"
#include "imaging/parallel_rows.h"
#include "imaging/testing_hooks.h"
#include "reference/reference_ops.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

namespace ref = reference;
using simd::VectorLevel;
using test::ImagesEqual;

using SameSizeOperation = std::function<int(const PixelImage&, PixelImage&)>;

struct Configuration {
  VectorLevel level;
  int threads;
};

std::string Describe(const Configuration& configuration) {
  std::ostringstream text;
  text << (configuration.level == VectorLevel::kAvx2 ? "AVX2" : "baseline") << ", "
       << configuration.threads << " thread(s)";
  return text.str();
}

std::vector<Configuration> Configurations() {
  std::vector<Configuration> all;
  std::vector<VectorLevel> levels = {VectorLevel::kBaseline};
  if (simd::SupportedVectorLevel() != VectorLevel::kBaseline) {
    levels.push_back(simd::SupportedVectorLevel());
  }
  for (const VectorLevel level : levels) {
    for (const int threads : {1, 2, 3}) {
      all.push_back({level, threads});
    }
  }
  return all;
}

void Use(const Configuration& configuration) {
  simd::SetVectorLevel(configuration.level);
  SetThreadCount(configuration.threads);
}

std::vector<std::pair<int, int>> Sizes() {
  std::vector<std::pair<int, int>> sizes(std::begin(test::kEdgeSizes), std::end(test::kEdgeSizes));
  // Around the widths of the vector blocks (4, 8 and 16 pixels plus a border) and larger odd
  // sizes whose rows are not a whole number of blocks.
  sizes.insert(sizes.end(), {{1, 40},
                             {40, 1},
                             {2, 33},
                             {3, 18},
                             {3, 19},
                             {18, 3},
                             {4, 6},
                             {5, 9},
                             {6, 10},
                             {7, 17},
                             {9, 31},
                             {10, 11},
                             {17, 35},
                             {33, 65},
                             {64, 64},
                             {67, 131},
                             {131, 67}});
  return sizes;
}

class ExactnessTest : public ::testing::Test {
 protected:
  void SetUp() override { SetParallelMinimumPixels(0); }  // threads even for tiny images
  void TearDown() override {
    SetParallelMinimumPixels(m_minimumPixels);
    SetThreadCount(0);
    simd::SetVectorLevel(simd::SupportedVectorLevel());
  }

  // Random pixels, or (every other call) channels drawn from a few levels, which gives the
  // ties, flat areas and extremes where branches and truncation matter.
  ImagePtr Source(int height, int width) {
    ImagePtr image = test::RandomImage(random, height, width);
    if (m_fewLevels = !m_fewLevels; m_fewLevels) {
      constexpr std::uint8_t kLevels[] = {0, 1, 2, 127, 128, 129, 200, 254, 255};
      auto* bytes = reinterpret_cast<std::uint8_t*>(image->pixels());
      for (std::size_t k = 0; k < image->byteSize(); ++k) {
        bytes[k] = kLevels[random() % std::size(kLevels)];
      }
    }
    return image;
  }

  int Between(int low, int high) { return std::uniform_int_distribution(low, high)(random); }
  double Between(double low, double high) {
    return std::uniform_real_distribution(low, high)(random);
  }

  // `fast` in every configuration against `plain` once, from the same random destination (the
  // filters leave its border as it was): same result code, same pixels.
  void ExpectSame(const SameSizeOperation& fast, const SameSizeOperation& plain) {
    for (const auto& [height, width] : Sizes()) {
      ImagePtr source = Source(height, width);
      ImagePtr start = test::RandomImage(random, height, width);
      ImagePtr expected = CloneImage(*start);
      const int expectedResult = plain(*source, *expected);
      for (const Configuration& configuration : Configurations()) {
        SCOPED_TRACE(Describe(configuration) + ", " + std::to_string(height) + " x " +
                     std::to_string(width));
        Use(configuration);
        ImagePtr actual = CloneImage(*start);
        EXPECT_EQ(fast(*source, *actual), expectedResult);
        EXPECT_TRUE(ImagesEqual(*actual, *expected));
      }
    }
  }

  std::mt19937 random{20240611u};

 private:
  std::size_t m_minimumPixels = ParallelMinimumPixels();
  bool m_fewLevels = false;
};

TEST_F(ExactnessTest, PointOperations) {
  ExpectSame(InvertColors, ref::InvertColors);
  ExpectSame(GrayscaleByMaximum, ref::GrayscaleByMaximum);
  ExpectSame(GrayscaleByAverage, ref::GrayscaleByAverage);
  ExpectSame(GrayscaleByWeightedAverage, ref::GrayscaleByWeightedAverage);
  ExpectSame(RemoveRedEye, ref::RemoveRedEye);
  for (const int threshold : {INT_MIN, -1, 0, 127, Between(1, 254), 254, 255, 256, INT_MAX}) {
    SCOPED_TRACE(threshold);
    ExpectSame([=](auto& s, auto& d) { return Binarize(s, d, threshold); },
               [=](auto& s, auto& d) { return ref::Binarize(s, d, threshold); });
  }
  for (const int offset :
       {INT_MIN, -256, -255, -254, Between(-300, 300), 0, 1, 255, 256, INT_MAX}) {
    SCOPED_TRACE(offset);
    ExpectSame([=](auto& s, auto& d) { return AdjustTransparency(s, d, offset); },
               [=](auto& s, auto& d) { return ref::AdjustTransparency(s, d, offset); });
  }
}

TEST_F(ExactnessTest, BrightnessContrast) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const std::pair<int, double> cases[] = {{0, 0.0},
                                          {254, 1.0},
                                          {-254, -1.0},
                                          {-254, 1.0},
                                          {254, -1.0},
                                          {51, 0.3},
                                          {Between(-254, 254), Between(-1.0, 1.0)},
                                          {65536, 4096.0},
                                          {-65536, -4096.0},
                                          {65537, 0.5},
                                          {-65537, 0.5},
                                          {3, 4096.5},
                                          {3, -1e300},
                                          {INT_MAX, 2.0},
                                          {INT_MIN, -2.0},
                                          {10, kNaN},
                                          {10, kInfinity},
                                          {-10, -kInfinity},
                                          {Between(-1000, 1000), Between(-50.0, 50.0)}};
  for (const auto& [brightness, contrast] : cases) {
    SCOPED_TRACE(std::to_string(brightness) + ", " + std::to_string(contrast));
    ExpectSame(
        [=](auto& s, auto& d) { return AdjustBrightnessContrast(s, d, brightness, contrast); },
        [=](auto& s, auto& d) {
          return ref::AdjustBrightnessContrast(s, d, brightness, contrast);
        });
  }
}

TEST_F(ExactnessTest, HueSaturationLightness) {
  const double cases[][3] = {
      {0.0, 0.0, 0.0},
      {360.0, 1.0, 1.0},
      {-360.0, -1.0, -1.0},
      {36.0, 0.2, -0.1},
      {(Between(0, 200) - 100) * 3.6, (Between(0, 200) - 100) / 100.0,
       (Between(0, 200) - 100) / 100.0},
      {Between(-400.0, 400.0), Between(-1.5, 1.5), Between(-1.5, 1.5)},
      {1e9, -1e9, 0.5},
      {-0.0, 0.0, -0.0},
  };
  for (const auto& offsets : cases) {
    SCOPED_TRACE(std::to_string(offsets[0]) + ", " + std::to_string(offsets[1]) + ", " +
                 std::to_string(offsets[2]));
    ExpectSame(
        [&](auto& s, auto& d) {
          return AdjustHueSaturationLightness(s, d, offsets[0], offsets[1], offsets[2]);
        },
        [&](auto& s, auto& d) {
          return ref::AdjustHueSaturationLightness(s, d, offsets[0], offsets[1], offsets[2]);
        });
  }
}

// Every channel value with every slider position the dialogs can send.
TEST_F(ExactnessTest, BrightnessContrastOverTheWholeDialogRange) {
  ImagePtr source = CreateImage(1, 256);
  for (int v = 0; v < 256; ++v) {
    source->rows[0][v] = static_cast<Pixel>(random() & 0xFF000000u) | (v << 16) | ((255 - v) << 8) |
                         ((v * 7) & 0xFF);
  }
  ImagePtr expected = CloneImage(*source);
  ImagePtr actual = CloneImage(*source);
  for (const Configuration& configuration : Configurations()) {
    if (configuration.threads != 1) {
      continue;
    }
    Use(configuration);
    for (int b = 0; b <= 200; ++b) {
      for (int c = 0; c <= 200; ++c) {
        const int brightness = static_cast<int>((b - 100) * 2.55);
        const double contrast = (c - 100) / 100.0;
        ref::AdjustBrightnessContrast(*source, *expected, brightness, contrast);
        AdjustBrightnessContrast(*source, *actual, brightness, contrast);
        ASSERT_TRUE(ImagesEqual(*actual, *expected))
            << Describe(configuration) << ", " << brightness << ", " << contrast;
      }
    }
  }
}

// All 2^24 colours, each with a random alpha, in one 4096 x 4096 image.
class EveryColourTest : public ExactnessTest {
 protected:
  void SetUp() override {
    ExactnessTest::SetUp();
    SetParallelMinimumPixels(m_defaultMinimum);
    everyColour = CreateImage(4096, 4096);
    for (Pixel rgb = 0; rgb < (1u << 24); ++rgb) {
      everyColour->pixels()[rgb] = rgb | (static_cast<Pixel>(random()) & 0xFF000000u);
    }
  }

  void ExpectSameOnEveryColour(const SameSizeOperation& fast, const SameSizeOperation& plain) {
    ImagePtr expected = CreateImage(4096, 4096);
    plain(*everyColour, *expected);
    for (const Configuration& configuration : Configurations()) {
      if (configuration.threads != 2) {
        continue;
      }
      SCOPED_TRACE(Describe(configuration));
      Use(configuration);
      ImagePtr actual = CreateImage(4096, 4096);
      fast(*everyColour, *actual);
      EXPECT_TRUE(ImagesEqual(*actual, *expected));
    }
  }

  ImagePtr everyColour;

 private:
  std::size_t m_defaultMinimum = ParallelMinimumPixels();
};

TEST_F(EveryColourTest, WeightedGreyAndThreshold) {
  ExpectSameOnEveryColour(GrayscaleByWeightedAverage, ref::GrayscaleByWeightedAverage);
  ExpectSameOnEveryColour([](auto& s, auto& d) { return Binarize(s, d, 127); },
                          [](auto& s, auto& d) { return ref::Binarize(s, d, 127); });
}

TEST_F(EveryColourTest, HueSaturationLightness) {
  ExpectSameOnEveryColour(
      [](auto& s, auto& d) { return AdjustHueSaturationLightness(s, d, 0.0, 0.0, 0.0); },
      [](auto& s, auto& d) { return ref::AdjustHueSaturationLightness(s, d, 0.0, 0.0, 0.0); });
  ExpectSameOnEveryColour(
      [](auto& s, auto& d) { return AdjustHueSaturationLightness(s, d, -50.4, 0.37, -0.21); },
      [](auto& s, auto& d) { return ref::AdjustHueSaturationLightness(s, d, -50.4, 0.37, -0.21); });
}

TEST_F(ExactnessTest, KernelFilters) {
  for (int method = 0; method < 2; ++method) {
    SCOPED_TRACE(method);
    ExpectSame(
        [=](auto& s, auto& d) {
          return SmoothWithKernel(s, d, kSmoothKernels[method], kSmoothDivisors[method]);
        },
        [=](auto& s, auto& d) {
          return ref::SmoothWithKernel(s, d, kSmoothKernels[method], kSmoothDivisors[method]);
        });
  }
  ExpectSame(
      [](auto& s, auto& d) { return SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor); },
      [](auto& s, auto& d) {
        return ref::SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor);
      });
  // Other kernels and divisors, which take the general path.
  for (int round = 0; round < 3; ++round) {
    Kernel3 kernel;
    for (auto& row : kernel) {
      for (int& weight : row) {
        weight = Between(-3, 4);
      }
    }
    const int divisor = round == 0 ? 0 : Between(-20, 20) | 1;
    SCOPED_TRACE(divisor);
    ExpectSame([&](auto& s, auto& d) { return SharpenLaplacian(s, d, kernel, divisor); },
               [&](auto& s, auto& d) { return ref::SharpenLaplacian(s, d, kernel, divisor); });
    ExpectSame([&](auto& s, auto& d) { return SmoothWithKernel(s, d, kernel, divisor); },
               [&](auto& s, auto& d) { return ref::SmoothWithKernel(s, d, kernel, divisor); });
  }
  ExpectSame([](auto& s, auto& d) { return SharpenLaplacian(s, d, kSharpenKernel, 9); },
             [](auto& s, auto& d) { return ref::SharpenLaplacian(s, d, kSharpenKernel, 9); });
  ExpectSame([](auto& s, auto& d) { return SmoothWithKernel(s, d, kSmoothKernels[0], 16); },
             [](auto& s, auto& d) { return ref::SmoothWithKernel(s, d, kSmoothKernels[0], 16); });
}

TEST_F(ExactnessTest, MedianWithEveryMaskSize) {
  ExpectSame([](auto& s, auto& d) { return MedianFilter(s, d, kSmoothKernels[2], 5); },
             [](auto& s, auto& d) { return ref::MedianFilter(s, d, kSmoothKernels[2], 5); });
  for (int cells = 0; cells <= 9; ++cells) {
    // A mask with `cells` cells above 0 in random places (weights other than 1 count the same).
    Kernel3 mask{};
    std::vector<int> places = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::shuffle(places.begin(), places.end(), random);
    for (int k = 0; k < 9; ++k) {
      mask[places[k] / 3][places[k] % 3] = k < cells ? Between(1, 3) : Between(-2, 0);
    }
    for (const int count : {cells, cells + 1}) {
      SCOPED_TRACE(std::to_string(cells) + " cells, count " + std::to_string(count));
      ExpectSame([&](auto& s, auto& d) { return MedianFilter(s, d, mask, count); },
                 [&](auto& s, auto& d) { return ref::MedianFilter(s, d, mask, count); });
    }
  }
}

TEST_F(ExactnessTest, EmbossSketchMosaic) {
  ExpectSame(Emboss, ref::Emboss);
  ExpectSame(Sketch, ref::Sketch);
  for (const unsigned block : {0u, 1u, 2u, 3u, 8u, 64u, UINT_MAX}) {
    SCOPED_TRACE(block);
    ExpectSame([=](auto& s, auto& d) { return Mosaic(s, d, block); },
               [=](auto& s, auto& d) { return ref::Mosaic(s, d, block); });
  }
}

TEST_F(ExactnessTest, Mirrors) {
  ExpectSame(MirrorHorizontal, ref::MirrorHorizontal);
  ExpectSame(MirrorVertical, ref::MirrorVertical);
}

TEST_F(ExactnessTest, Resize) {
  for (const auto& [height, width] : Sizes()) {
    ImagePtr source = Source(height, width);
    // Whole and fractional factors up and down, one row or column, the same size.
    const std::pair<int, int> targets[] = {{height * 2, width * 2},
                                           {height / 2 + 1, width / 2 + 1},
                                           {height * 3 / 2 + 1, width * 3 / 2 + 1},
                                           {height, width},
                                           {1, Between(1, 90)},
                                           {Between(1, 90), 1},
                                           {Between(1, 150), Between(1, 150)}};
    for (const auto& [newHeight, newWidth] : targets) {
      ImagePtr expected = CreateImage(newHeight, newWidth);
      ref::ResizeImage(*source, *expected, newWidth, newHeight);
      for (const Configuration& configuration : Configurations()) {
        SCOPED_TRACE(Describe(configuration) + ", " + std::to_string(height) + " x " +
                     std::to_string(width) + " to " + std::to_string(newHeight) + " x " +
                     std::to_string(newWidth));
        Use(configuration);
        ImagePtr actual = CreateImage(newHeight, newWidth);
        EXPECT_EQ(ResizeImage(*source, *actual, newWidth, newHeight), 1);
        EXPECT_TRUE(ImagesEqual(*actual, *expected));
      }
    }
  }
}

TEST_F(ExactnessTest, Rotate) {
  for (const auto& [height, width] : Sizes()) {
    ImagePtr source = Source(height, width);
    for (const double degrees : {0.0, 30.0, 45.0, 90.0, 180.0, 270.0, 359.0, -90.0, 0.0005,
                                 Between(0.0, 360.0), Between(-1e4, 1e4)}) {
      ImagePtr expected = ref::RotateImage(*source, degrees);
      ASSERT_TRUE(expected);
      for (const Configuration& configuration : Configurations()) {
        SCOPED_TRACE(Describe(configuration) + ", " + std::to_string(height) + " x " +
                     std::to_string(width) + " by " + std::to_string(degrees));
        Use(configuration);
        ImagePtr actual = RotateImage(*source, degrees);
        ASSERT_TRUE(actual);
        EXPECT_TRUE(ImagesEqual(*actual, *expected));
      }
    }
  }
}

// Every (channel, alpha) pair, in rows written with a gap after them, as the view's picture.
TEST_F(ExactnessTest, DisplayBlendRoundsEveryChannelAndAlphaOverBlack) {
  ImagePtr image = CreateImage(256, 257);
  for (int a = 0; a < 256; ++a) {
    for (int c = 0; c < 257; ++c) {
      const int v = c % 256;
      image->rows[a][c] = static_cast<Pixel>(a) << 24 | v << 16 | (255 - v) << 8 | (v ^ 0x5A);
    }
  }
  constexpr std::ptrdiff_t kStride = 257 * 4 + 12;
  for (const Configuration& configuration : Configurations()) {
    SCOPED_TRACE(Describe(configuration));
    Use(configuration);
    std::vector<std::uint8_t> bits(256 * kStride, 0xEE);
    BlendOverBlack(*image, bits.data(), kStride);
    for (int a = 0; a < 256; ++a) {
      for (int c = 0; c < 257; ++c) {
        Pixel shown;
        std::memcpy(&shown, bits.data() + a * kStride + 4 * c, sizeof shown);
        const Pixel p = image->rows[a][c];
        const auto over = [a](int channel) { return (channel * a + 127) / 255; };
        const Pixel expected = 0xFF000000u | over((p >> 16) & 0xFF) << 16 |
                               over((p >> 8) & 0xFF) << 8 | over(p & 0xFF);
        ASSERT_EQ(shown, expected) << "alpha " << a << ", column " << c;
      }
      // The gap after each row is left alone.
      ASSERT_EQ(bits[a * kStride + 257 * 4], 0xEE);
    }
  }
}

TEST_F(ExactnessTest, RowBandsCoverEveryRowOnceAndPassOnFailures) {
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
}

TEST(PixelImageAllocationTest, BorderCopyAndUninitialisedImages) {
  std::mt19937 random(5);
  for (const auto& [height, width] : Sizes()) {
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
