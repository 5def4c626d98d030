#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "imaging/filter_ops.h"
#include "imaging/kernels.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImageFromPixels;
using test::ImagesEqual;
using test::RandomImage;
using test::UniformImage;

constexpr int kColourShifts[] = {16, 8, 0};  // red, green, blue
constexpr Pixel kAlphaMask = 0xFF000000u;
constexpr Pixel kMidGrey = 0xFF808080u;

int Channel(Pixel p, int shift) {
  return static_cast<int>((p >> shift) & 0xFFu);
}
Pixel At(const PixelImage& image, int y, int x) {
  return image.rows[y][x];
}

std::vector<std::pair<int, int>> Sizes() {
  std::vector<std::pair<int, int>> sizes(std::begin(test::kEdgeSizes), std::end(test::kEdgeSizes));
  sizes.insert(sizes.end(), {{4, 4}, {5, 5}, {3, 10}, {9, 31}, {24, 7}});
  return sizes;
}

// Random alpha; colour channels base + [0, spread). Small spreads give the flat and
// low-contrast areas where thresholds, truncation and unclamped results matter.
ImagePtr SpreadImage(std::mt19937& random, int height, int width, int spread) {
  ImagePtr image = RandomImage(random, height, width);
  const int base = std::uniform_int_distribution<int>(0, 256 - spread)(random);
  for (std::size_t k = 0; k < image->pixelCount(); ++k) {
    Pixel p = image->pixels()[k] & kAlphaMask;
    for (int shift : kColourShifts) {
      p |= static_cast<Pixel>(base + static_cast<int>(random() % spread)) << shift;
    }
    image->pixels()[k] = p;
  }
  return image;
}

using Filter = std::function<int(const PixelImage&, PixelImage&)>;
// Builds the expected result from the source and the destination's prior contents.
using Reference = std::function<ImagePtr(const PixelImage&, const PixelImage&)>;

// The destination starts as unrelated random pixels, so an interior-only filter must leave
// exactly those on its border.
void ExpectMatchesReference(const Filter& filter, const Reference& reference) {
  std::mt19937 random(20240611);
  for (const auto& [height, width] : Sizes()) {
    for (int spread : {3, 40, 256}) {
      SCOPED_TRACE(::testing::Message() << height << "x" << width << " spread " << spread);
      const ImagePtr source = SpreadImage(random, height, width, spread);
      const ImagePtr destination = RandomImage(random, height, width);
      const ImagePtr expected = reference(*source, *destination);
      EXPECT_EQ(filter(*source, *destination), 1);
      EXPECT_TRUE(ImagesEqual(*destination, *expected));
    }
  }
}

// channel(y, x, shift) gives each colour channel of each interior pixel; alpha is the source's.
ImagePtr InteriorReference(const PixelImage& source, const PixelImage& prior,
                           const std::function<int(int, int, int)>& channel) {
  ImagePtr out = CloneImage(prior);
  for (int y = 1; y + 1 < source.height; ++y) {
    for (int x = 1; x + 1 < source.width; ++x) {
      Pixel p = At(source, y, x) & kAlphaMask;
      for (int shift : kColourShifts) {
        p |= static_cast<Pixel>(channel(y, x, shift)) << shift;
      }
      out->rows[y][x] = p;
    }
  }
  return out;
}

int WindowSum(const PixelImage& s, const Kernel3& kernel, int y, int x, int shift) {
  int sum = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      sum += kernel[dy + 1][dx + 1] * Channel(At(s, y + dy, x + dx), shift);
    }
  }
  return sum;
}

TEST(KernelFilters, MatchPerPixelFormulaAndKeepBorder) {
  ExpectMatchesReference(
      [](const PixelImage& s, PixelImage& d) {
        return SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor);
      },
      [](const PixelImage& s, const PixelImage& prior) {
        return InteriorReference(s, prior, [&](int y, int x, int shift) {
          const int v = Channel(At(s, y, x), shift) + WindowSum(s, kSharpenKernel, y, x, shift) / 3;
          return std::clamp(v, 0, 255);
        });
      });
  for (int method : {0, 1}) {
    SCOPED_TRACE(method);
    const Kernel3& kernel = kSmoothKernels[method];
    const int divisor = kSmoothDivisors[method];
    ExpectMatchesReference(
        [&](const PixelImage& s, PixelImage& d) { return SmoothWithKernel(s, d, kernel, divisor); },
        [&](const PixelImage& s, const PixelImage& prior) {
          return InteriorReference(s, prior, [&](int y, int x, int shift) {
            return WindowSum(s, kernel, y, x, shift) / divisor;
          });
        });
  }
  ExpectMatchesReference(
      [](const PixelImage& s, PixelImage& d) { return MedianFilter(s, d, kSmoothKernels[2], 5); },
      [](const PixelImage& s, const PixelImage& prior) {
        return InteriorReference(s, prior, [&](int y, int x, int shift) {
          std::vector<int> cross = {Channel(At(s, y - 1, x), shift),
                                    Channel(At(s, y, x - 1), shift), Channel(At(s, y, x), shift),
                                    Channel(At(s, y, x + 1), shift),
                                    Channel(At(s, y + 1, x), shift)};
          std::sort(cross.begin(), cross.end());
          return cross[2];
        });
      });
}

// 150 in a field of 50; s = 800 at the spike, -100 beside it (-100 / 3 truncates to -33).
TEST(KernelFilters, SingleBrightPixel) {
  const Pixel field = 0x80323232u;
  const Pixel spike = 0x80969696u;
  const ImagePtr source = UniformImage(5, 5, field);
  source->rows[2][2] = spike;
  const auto run = [&](const Filter& filter, Pixel atSpike, Pixel diagonal, Pixel below) {
    const ImagePtr destination = CloneImage(*source);
    EXPECT_EQ(filter(*source, *destination), 1);
    EXPECT_EQ(At(*destination, 2, 2), atSpike);
    EXPECT_EQ(At(*destination, 1, 1), diagonal);
    EXPECT_EQ(At(*destination, 3, 2), below);
    EXPECT_EQ(At(*destination, 0, 2), field);  // border
  };
  run([](auto& s, auto& d) { return SharpenLaplacian(s, d, kSharpenKernel, 3); }, 0x80FFFFFFu,
      0x80111111u, 0x80111111u);
  run([](auto& s, auto& d) { return SmoothWithKernel(s, d, kSmoothKernels[0], 9); }, 0x803D3D3Du,
      0x803D3D3Du, 0x803D3D3Du);
  // 1200 / 16 = 75 at the spike; 900 / 16 = 56 diagonally, 1000 / 16 = 62 beside it.
  run([](auto& s, auto& d) { return SmoothWithKernel(s, d, kSmoothKernels[1], 16); }, 0x804B4B4Bu,
      0x80383838u, 0x803E3E3Eu);
  run([](auto& s, auto& d) { return MedianFilter(s, d, kSmoothKernels[2], 5); }, field, field,
      field);
}

TEST(KernelFilters, InconsistentParametersWriteNothing) {
  std::mt19937 random(3);
  const ImagePtr source = RandomImage(random, 6, 6);
  const ImagePtr destination = RandomImage(random, 6, 6);
  const ImagePtr prior = CloneImage(*destination);
  EXPECT_EQ(SharpenLaplacian(*source, *destination, kSharpenKernel, 0), 0);
  EXPECT_EQ(SmoothWithKernel(*source, *destination, kSmoothKernels[0], 0), 0);
  EXPECT_EQ(MedianFilter(*source, *destination, kSmoothKernels[2], 4), 0);
  EXPECT_EQ(MedianFilter(*source, *destination, kSmoothKernels[2], 6), 0);
  EXPECT_EQ(MedianFilter(*source, *destination, Kernel3{}, 0), 0);
  EXPECT_TRUE(ImagesEqual(*destination, *prior));
}

// Any mask works when count matches; an even count takes the upper of the middle two.
TEST(KernelFilters, MedianOfEvenCountTakesUpperMiddle) {
  const Kernel3 corners = {{{1, 0, 1}, {0, 0, 0}, {1, 0, 1}}};
  const ImagePtr source = ImageFromPixels(
      3, 3, {0x010A0000u, 0, 0x01280000u, 0, 0x7F000000u, 0, 0x01140000u, 0, 0x011E0000u});
  const ImagePtr destination = CloneImage(*source);
  EXPECT_EQ(MedianFilter(*source, *destination, corners, 4), 1);
  EXPECT_EQ(At(*destination, 1, 1), 0x7F1E0000u);  // red 10, 40, 20, 30 -> 30
}

ImagePtr EmbossReference(const PixelImage& s) {
  ImagePtr out = UniformImage(s.height, s.width, kMidGrey);
  for (int y = 0; y + 1 < s.height; ++y) {
    for (int x = 0; x + 1 < s.width; ++x) {
      Pixel p = At(s, y, x) & kAlphaMask;
      for (int shift : kColourShifts) {
        const int v = Channel(At(s, y, x), shift) - Channel(At(s, y + 1, x + 1), shift) + 128;
        p |= static_cast<Pixel>(std::min(std::abs(v), 255)) << shift;
      }
      out->rows[y][x] = p;
    }
  }
  return out;
}

TEST(Emboss, MatchesPerPixelFormulaAndWritesEveryPixel) {
  ExpectMatchesReference(Emboss,
                         [](const PixelImage& s, const PixelImage&) { return EmbossReference(s); });
}

// A fall of 200 clamps to 255; a rise of 200 gives -72, folded to 72 rather than 0.
TEST(Emboss, FallsClampAndRisesFold) {
  const ImagePtr source = ImageFromPixels(2, 2, {0x12C80064u, 0, 0, 0xFF00C864u});
  const ImagePtr destination = CloneImage(*source);
  EXPECT_EQ(Emboss(*source, *destination), 1);
  EXPECT_TRUE(ImagesEqual(*destination,
                          *ImageFromPixels(2, 2, {0x12FF4880u, kMidGrey, kMidGrey, kMidGrey})));
}

// The block's sample pixel for every destination pixel, from the whole/partial block rules.
ImagePtr MosaicReference(const PixelImage& s, unsigned k) {
  ImagePtr out = CreateImage(s.height, s.width);
  const auto sample = [k](unsigned at, unsigned size) {
    const unsigned full = size / k;
    const unsigned rest = size - full * k;
    return at / k < full ? at / k * k + k / 2 : full * k + rest / 2;
  };
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      out->rows[y][x] =
          At(s, static_cast<int>(sample(y, s.height)), static_cast<int>(sample(x, s.width)));
    }
  }
  return out;
}

TEST(Mosaic, MatchesBlockRulesForAnyBlockSize) {
  std::vector<unsigned> blocks = {65535u, UINT_MAX};
  for (unsigned k = 1; k <= 33; ++k) {
    blocks.push_back(k);
  }
  for (unsigned k : blocks) {
    SCOPED_TRACE(k);
    ExpectMatchesReference(
        [k](const PixelImage& s, PixelImage& d) { return Mosaic(s, d, k); },
        [k](const PixelImage& s, const PixelImage&) { return MosaicReference(s, k); });
  }
}

// 10 wide, 3 high, blocks of 4: no whole block row, so every column block samples row 1.
TEST(Mosaic, PartialBlocksAndSpecialSizes) {
  std::mt19937 random(11);
  const ImagePtr wide = RandomImage(random, 3, 10);
  ImagePtr out = CloneImage(*wide);
  EXPECT_EQ(Mosaic(*wide, *out, 4), 1);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(At(*out, y, x), At(*wide, 1, x < 4 ? 2 : (x < 8 ? 6 : 9))) << y << "," << x;
    }
  }
  EXPECT_EQ(Mosaic(*wide, *out, 11), 1);
  EXPECT_TRUE(ImagesEqual(*out, *UniformImage(3, 10, At(*wide, 1, 5))));
  EXPECT_EQ(Mosaic(*wide, *out, 1), 1);
  EXPECT_TRUE(ImagesEqual(*out, *wide));
  out = RandomImage(random, 3, 10);
  const ImagePtr prior = CloneImage(*out);
  EXPECT_EQ(Mosaic(*wide, *out, 0), 0);
  EXPECT_TRUE(ImagesEqual(*out, *prior));
}

int ReferenceGrey(Pixel p) {
  return static_cast<int>((Channel(p, 16) * 0.299 + Channel(p, 8) * 0.587) + Channel(p, 0) * 0.114);
}

ImagePtr SketchReference(const PixelImage& s, const PixelImage& prior) {
  const int h = s.height;
  const int w = s.width;
  std::vector<int> lines(static_cast<std::size_t>(std::max(h * w, 0)), 0);
  const auto g = [&](int y, int x) { return ReferenceGrey(At(s, y, x)); };
  const auto sum9 = [](auto&& f, int y, int x) {
    int total = 0;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        total += f(y + dy, x + dx);
      }
    }
    return total;
  };
  for (int y = 1; y + 1 < h; ++y) {
    for (int x = 1; x + 1 < w; ++x) {
      const int a = sum9(g, y, x) - 9 * g(y, x);
      const int left = g(y - 1, x - 1) + g(y, x - 1) + g(y + 1, x - 1);
      const int right = g(y - 1, x + 1) + g(y, x + 1) + g(y + 1, x + 1);
      const int top = g(y - 1, x - 1) + g(y - 1, x) + g(y - 1, x + 1);
      const int bottom = g(y + 1, x - 1) + g(y + 1, x) + g(y + 1, x + 1);
      const int b = left - right + g(y - 1, x) - g(y + 1, x);
      const int d = top - bottom - g(y, x - 1) + g(y, x + 1);
      int v = std::max(std::abs(b), std::abs(d)) >= 25 ? std::min(2 * a, 255) : 0;
      v = v < 32 ? 0 : v;
      lines[y * w + x] = 255 - v;
    }
  }
  const auto t = [&](int y, int x) { return lines[y * w + x]; };
  return InteriorReference(s, prior,
                           [&](int y, int x, int) { return (sum9(t, y, x) + 3 * t(y, x)) / 12; });
}

TEST(Sketch, MatchesPerPixelFormulaAndKeepsBorder) {
  ExpectMatchesReference(Sketch, SketchReference);
}

// Flat areas turn white; the zero border of the line map darkens the ring inside the border.
TEST(Sketch, UniformImageRing) {
  std::mt19937 random(5);
  for (const auto& [height, width] : {std::pair{5, 5}, {6, 9}, {11, 5}}) {
    const Pixel colour = static_cast<Pixel>(random());
    const ImagePtr source = UniformImage(height, width, colour);
    const ImagePtr destination = CloneImage(*source);
    EXPECT_EQ(Sketch(*source, *destination), 1);
    const Pixel alpha = colour & kAlphaMask;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool border = y == 0 || x == 0 || y == height - 1 || x == width - 1;
        const bool ringRow = y == 1 || y == height - 2;
        const bool ringColumn = x == 1 || x == width - 2;
        Pixel expected = alpha | 0xFFFFFFu;
        if (border) {
          expected = colour;
        } else if (ringRow && ringColumn) {
          expected = alpha | 0x949494u;  // 148
        } else if (ringRow || ringColumn) {
          expected = alpha | 0xBFBFBFu;  // 191
        }
        EXPECT_EQ(At(*destination, y, x), expected) << y << "," << x;
      }
    }
  }
}

}  // namespace
}  // namespace vantoria
