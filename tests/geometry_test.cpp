// Catches sampler, resize, rotate, quarter-turn and mirror faults against oracles, in every build.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "imaging/bilinear_rows.h"
#include "imaging/geometry_ops.h"
#include "imaging/quarter_turn.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImageFromPixels;
using test::ImagesEqual;
using test::RandomImage;
using test::UniformImage;

constexpr Pixel kWhite = 0xFFFFFFFFu;

// --- Plain references, one channel at a time, the rules taken in the order they are stated ---

int RefMix(int p, double wp, int q, double wq) {
  return static_cast<int>(p * wp + q * wq);
}

int RefChannel(const PixelImage& s, double x, double y, int shift) {
  auto at = [&](double row, double col) {
    return static_cast<int>(s.rows[static_cast<int>(row)][static_cast<int>(col)] >> shift) & 0xFF;
  };
  const double x0 = std::floor(x), y0 = std::floor(y), fx = x - x0, fy = y - y0;
  const double w = s.width, h = s.height;
  if (fx < 0.0010000000474974513 && fy < 0.0010000000474974513 && x0 >= 0 && x0 <= w - 1 &&
      y0 >= 0 && y0 <= h - 1) {
    return at(y0, x0);
  }
  if (x0 < -1 || x0 > w - 1 || y0 < -1 || y0 > h - 1) {
    return 255;
  }
  const bool colEdge = x0 == -1 || x0 == w - 1, rowEdge = y0 == -1 || y0 == h - 1;
  const double cx = std::max(x0, 0.0), cy = std::max(y0, 0.0);
  if (colEdge && rowEdge) {
    return at(cy, cx);
  }
  if (rowEdge) {
    return RefMix(at(cy, x0), 1 - fx, at(cy, x0 + 1), fx);
  }
  if (colEdge) {
    return RefMix(at(y0, cx), 1 - fy, at(y0 + 1, cx), fy);
  }
  const int top = RefMix(at(y0, x0), 1 - fx, at(y0, x0 + 1), fx);
  const int bottom = RefMix(at(y0 + 1, x0), 1 - fx, at(y0 + 1, x0 + 1), fx);
  return RefMix(top, 1 - fy, bottom, fy);
}

Pixel RefSample(const PixelImage& s, double x, double y) {
  if (s.width == 0 || s.height == 0) {
    return kWhite;  // no pixels to read: everything is outside
  }
  Pixel p = 0;
  for (int shift : {0, 8, 16, 24}) {
    p |= static_cast<Pixel>(RefChannel(s, x, y, shift)) << shift;
  }
  return p;
}

ImagePtr RefResize(const PixelImage& s, int width, int height) {
  ImagePtr out = CreateImage(height, width);
  for (int i = 0; i < height; ++i) {
    for (int j = 0; j < width; ++j) {
      out->rows[i][j] =
          RefSample(s, j / (double(width) / s.width), i / (double(height) / s.height));
    }
  }
  return out;
}

ImagePtr RefRotate(const PixelImage& s, double degrees) {
  const double r = (degrees * 3.14159265358979) / 180.0, sn = std::sin(r), cs = std::cos(r);
  const double w = s.width, h = s.height;
  const int hNew = int(std::max(std::fabs(h * cs + w * sn), std::fabs(h * cs - w * sn)) + 1.5);
  const int wNew = int(std::max(std::fabs(h * sn + w * cs), std::fabs(h * sn - w * cs)) + 1.5);
  const double ox = (w / 2.0 - (cs * wNew) / 2.0) - (sn * hNew) / 2.0;
  const double oy = (h / 2.0 + (sn * wNew) / 2.0) - (cs * hNew) / 2.0;
  ImagePtr out = CreateImage(hNew, wNew);
  for (int i = 0; i < hNew; ++i) {
    for (int j = 0; j < wNew; ++j) {
      out->rows[i][j] = RefSample(s, (i * sn + j * cs) + ox, (i * cs - j * sn) + oy);
    }
  }
  return out;
}

TEST(SampleBilinear, WorkedExamples) {
  // 255 * (1 - 0.001) = 254.7: a blend would show as 0xFEFEFEFE. 0.001 < 0.001f.
  ImagePtr image = ImageFromPixels(1, 2, {0xFFFFFFFFu, 0x00000000u});
  EXPECT_EQ(SampleBilinear(*image, 0.001, 0.0), 0xFFFFFFFFu);
  EXPECT_EQ(SampleBilinear(*image, 0.0010001, 0.0), 0xFEFEFEFEu);
  EXPECT_EQ(SampleBilinear(*image, 0.0, 0.0010001), 0xFFFFFFFFu);  // bottom band: nothing below
  // Rows blend to 0.5 -> 0 and 1.5 -> 1, then 0.5 between them -> 0 (unstaged would give 1).
  image = ImageFromPixels(2, 2, {0xFF000000u, 0xFF000001u, 0xFF000001u, 0xFF000002u});
  EXPECT_EQ(SampleBilinear(*image, 0.5, 0.5), 0xFF000000u);
  image = ImageFromPixels(2, 2, {0xFF102030u, 0xFF405060u, 0x80000000u, 0x00FFFFFFu});
  EXPECT_EQ(SampleBilinear(*image, -0.5, 0.5), 0xBF081018u);   // left band
  EXPECT_EQ(SampleBilinear(*image, 0.5, -0.5), 0xFF283848u);   // top band
  EXPECT_EQ(SampleBilinear(*image, -0.5, -0.5), 0xFF102030u);  // corner
  EXPECT_EQ(SampleBilinear(*image, 1.5, 1.999), 0x00FFFFFFu);  // corner
  EXPECT_EQ(SampleBilinear(*image, -1.0, 0.0), 0xFF102030u);   // floor -1 is a band, not exact
  EXPECT_EQ(SampleBilinear(*image, -1.5, 0.0), kWhite);        // truncation would say -1
  EXPECT_EQ(SampleBilinear(*image, 0.0, -1.0001), kWhite);
  EXPECT_EQ(SampleBilinear(*image, 2.0, 0.0), kWhite);
  EXPECT_EQ(SampleBilinear(*image, 0.0, 2.0), kWhite);
  const double inf = std::numeric_limits<double>::infinity();
  for (double far : {1e300, -1e300, inf, -inf, std::nan(""), 2147483648.5, -2147483649.5,
                     4294967296.0, -2147483648.0}) {
    EXPECT_EQ(SampleBilinear(*image, far, 1.0), kWhite) << far;
    EXPECT_EQ(SampleBilinear(*image, 1.0, far), kWhite) << far;
  }
}

TEST(SampleBilinear, MatchesOracleAroundEveryEdge) {
  std::mt19937 random(2);
  std::uniform_real_distribution<double> jitter(0.0, 0.25);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    for (double y = -2.5; y <= height + 1.5; y += 0.25) {
      for (double x = -2.5; x <= width + 1.5; x += 0.25) {
        ASSERT_EQ(SampleBilinear(*image, x, y), RefSample(*image, x, y))
            << height << "x" << width << " at " << x << "," << y;
        const double rx = x + jitter(random), ry = y + jitter(random);
        ASSERT_EQ(SampleBilinear(*image, rx, ry), RefSample(*image, rx, ry));
      }
    }
  }
}

// The rotation row kernels keep a pixel exact while both fractions are below 0.001f: just above
// 0.001 too, where a blend of white and black would lose a level.
TEST(RotationRows, KeepPixelsExactBelowTheSinglePrecisionLimit) {
  const ImagePtr image = ImageFromPixels(2, 2, {kWhite, 0xFF000000u, 0xFF000000u, 0xFF000000u});
  const double limit = static_cast<double>(0.001f);
  const std::vector<double> fractions = {0.001, 0.001 + (limit - 0.001) / 2, limit, 0.0011};
  std::vector<double> xs;
  std::vector<double> ys;
  for (double fx : fractions) {
    for (double fy : fractions) {
      xs.push_back(fx);
      ys.push_back(-fy);  // the row takes y = (rowCs - columnSn[j]) + oy
    }
  }
  test::ForEachConfiguration([&] {
    std::vector<Pixel> out(xs.size());
    ActiveBilinearRowKernels().rotateRow(
        {image.get(), 0.0, 0.0, xs.data(), ys.data(), 0.0, 0.0, xs.size(), 2.0, 2.0}, out.data());
    for (std::size_t j = 0; j < xs.size(); ++j) {
      EXPECT_EQ(out[j], RefSample(*image, xs[j], -ys[j])) << xs[j] << ", " << -ys[j];
    }
  });
}

TEST(ResizeImage, WorkedExamples) {
  const auto resized = [](const PixelImage& source, int width, int height) {
    ImagePtr out = CreateImage(height, width);
    EXPECT_EQ(ResizeImage(source, *out, width, height), 1);
    return out;
  };
  std::mt19937 random(4);
  for (int k = 2; k <= 7; ++k) {  // a whole-factor reduction picks every kth pixel
    ImagePtr image = RandomImage(random, 13 * k, 13 * (k + 1));
    ImagePtr out = resized(*image, 13, 13);
    for (int i = 0; i < 13; ++i) {
      for (int j = 0; j < 13; ++j) {
        ASSERT_EQ(out->rows[i][j], image->rows[i * k][j * (k + 1)]) << k;
      }
    }
  }
  // Column 1 of 2000 from 2 samples at 0.001, below 0.001f: exact, where a blend gives 0xFEFEFEFE.
  EXPECT_EQ(resized(*ImageFromPixels(1, 2, {kWhite, 0}), 2000, 1)->rows[0][1], kWhite);
  ImagePtr row = ImageFromPixels(1, 3, {10, 20, 40});
  EXPECT_TRUE(ImagesEqual(*resized(*row, 6, 1), *ImageFromPixels(1, 6, {10, 15, 20, 30, 40, 40})));
}

TEST(RotateImage, WorkedExamples) {
  ImagePtr image = UniformImage(3, 4, 0xFF000000u);  // width 4, height 3
  std::string sizes;
  for (const double degrees : {0, 90, 180, 270, 45}) {
    const ImagePtr out = RotateImage(*image, degrees);
    sizes += std::to_string(out->width) + "x" + std::to_string(out->height) + " ";
  }
  EXPECT_EQ(sizes, "5x4 4x5 5x4 4x5 6x6 ");
  // Zero degrees samples at half-pixel offsets, one pixel larger.
  EXPECT_TRUE(ImagesEqual(*RotateImage(*UniformImage(1, 1, 0x80123456u), 0),
                          *UniformImage(2, 2, 0x80123456u)));
  EXPECT_FALSE(RotateImage(*image, std::nan("")));
  EXPECT_FALSE(RotateImage(*image, std::numeric_limits<double>::infinity()));
}

// With the 15-digit pi, cos 90 and sin 180 are about 1e-15, not 0; the picture grows by one each
// way and destination (i, j) samples at (x0 + 1/2 + d, y0 + 1/2 + e), d and e below 1e-6, with
// (x0, y0) = (i - 1, H - j) at 90 degrees, (W - j, H - i) at 180, (W - i, j - 1) at 270. So it
// blends the source pixels of columns x0, x0 + 1 and rows y0, y0 + 1 that lie inside, with
// weights 1/2 -+ d and 1/2 -+ e, and is white where x0 = W or y0 = H.
TEST(QuarterTurn, BlendsTheTwoByTwoBlockAtTheTurnedPosition) {
  test::ForEachConfiguration([] {
    for (int height = 1; height <= 5; ++height) {
      for (int width = 1; width <= 5; ++width) {
        for (const double degrees : {90.0, 180.0, 270.0}) {
          const bool upright = degrees == 180.0;
          for (int lit = 0; lit < height * width; ++lit) {
            const int r = lit / width;
            const int c = lit % width;
            SCOPED_TRACE(::testing::Message() << height << "x" << width << " by " << degrees
                                              << ", lit " << r << "," << c);
            ImagePtr image = test::UniformImage(height, width, 0);
            image->rows[r][c] = kWhite;
            const ImagePtr out = RotateImage(*image, degrees);
            ASSERT_EQ(out->width, (upright ? width : height) + 1);
            ASSERT_EQ(out->height, (upright ? height : width) + 1);
            for (int i = 0; i < out->height; ++i) {
              for (int j = 0; j < out->width; ++j) {
                const int x0 = degrees == 90.0 ? i - 1 : width - (upright ? j : i);
                const int y0 = degrees == 270.0 ? j - 1 : height - (upright ? i : j);
                const bool white = x0 == width || y0 == height;
                const bool taken = (c == x0 || c == x0 + 1) && (r == y0 || r == y0 + 1);
                const Pixel got = out->rows[i][j];
                ASSERT_TRUE(white ? got == kWhite : (got != 0) == taken) << i << "," << j;
              }
            }
          }
        }
      }
    }
  });
}

// The integer form of a blend whose fraction is a hair from 1/2 against the blend itself, for
// every pair of channel values and offsets across the range it is used for, each end included.
TEST(QuarterTurn, HalfwayRuleIsTheBlendForEveryPairAndOffset) {
  std::vector<double> offsets = {0.0};
  for (int power = -45; power <= -12; ++power) {
    for (const int steps : {1, 3}) {
      offsets.push_back(steps * std::ldexp(1.0, power) / (steps == 3 ? 2 : 1));
    }
  }
  for (const double size : offsets) {
    for (const double offset : {size, -size}) {
      if (std::fabs(offset) > 0x1p-12 || (offset != 0.0 && std::fabs(offset) < 0x1p-45)) {
        continue;
      }
      const double far = 0.5 + offset;
      const Lean lean = offset > 0 ? Lean::kFar : (offset < 0 ? Lean::kNear : Lean::kNone);
      for (int p = 0; p < 256; ++p) {
        for (int q = 0; q < 256; ++q) {
          ASSERT_EQ(HalfwayChannel(p, q, lean), RefMix(p, 1.0 - far, q, far))
              << p << ", " << q << " at 1/2 + " << offset;
        }
      }
    }
  }
}

// Quarter turns of pictures large enough for whole tiles, odd sizes, both ways round, in
// every build and thread count.
TEST(QuarterTurn, MatchesTheGeneralRotationOnLargePictures) {
  std::mt19937 random(12);
  for (auto [height, width] : {std::pair{300, 611}, {517, 263}, {2, 700}, {700, 3}}) {
    ImagePtr image = RandomImage(random, height, width);
    for (int k = 0; k < height * width; k += 3) {
      image->rows[k / width][k % width] = 0x80808080u;  // equal neighbours and even sums
    }
    for (const double degrees : {90.0, 180.0, 270.0, -90.0, 450.0, 0.0, 360.0, -180.0}) {
      SCOPED_TRACE(::testing::Message() << height << "x" << width << " by " << degrees);
      const ImagePtr expected = RefRotate(*image, degrees);
      test::ForEachConfiguration([&] {
        const ImagePtr out = RotateImage(*image, degrees);
        EXPECT_TRUE(out && ImagesEqual(*out, *expected));
      });
    }
  }
}

// Resize to sizes up and down, and rotation by many angles; the source is left alone.
TEST(ResizeAndRotate, MatchTheirOraclesEverywhere) {
  std::mt19937 random(8);
  for (auto [height, width] : test::ImagingSizes()) {
    const ImagePtr image = RandomImage(random, height, width);
    const ImagePtr before = CloneImage(*image);
    const int any = 1 + static_cast<int>(random() % 90);
    for (auto [h, w] : {std::pair{height * 2, width * 2},
                        {height / 2 + 1, width / 2 + 1},
                        {height * 3 / 2 + 1, width * 3 / 2 + 1},
                        {height, width},
                        {1, any},
                        {any, 1},
                        {29, 40}}) {
      SCOPED_TRACE(::testing::Message() << height << "x" << width << " to " << h << "x" << w);
      const ImagePtr expected = RefResize(*image, w, h);
      test::ForEachConfiguration([&, h, w] {
        ImagePtr out = CreateImage(h, w);
        EXPECT_EQ(ResizeImage(*image, *out, w, h), 1);
        EXPECT_TRUE(ImagesEqual(*out, *expected));
      });
    }
    for (double degrees : {0.0, 1.0, 30.0, 45.0, 90.0, 137.0, 180.0, 270.0, 359.0, -90.0, 0.0005,
                           std::uniform_real_distribution(-1e4, 1e4)(random)}) {
      SCOPED_TRACE(::testing::Message() << height << "x" << width << " by " << degrees);
      const ImagePtr expected = RefRotate(*image, degrees);
      test::ForEachConfiguration([&] {
        const ImagePtr out = RotateImage(*image, degrees);
        EXPECT_TRUE(out && ImagesEqual(*out, *expected));
      });
    }
    EXPECT_TRUE(ImagesEqual(*image, *before));
  }
}

TEST(Mirror, MatchesOracleEverywhere) {
  test::ExpectMatchesEverywhere(MirrorHorizontal, [](const PixelImage& s, PixelImage& d) {
    for (int i = 0; i < s.height; ++i) {
      std::reverse_copy(s.rows[i], s.rows[i] + s.width, d.rows[i]);
    }
    return 1;
  });
  test::ExpectMatchesEverywhere(MirrorVertical, [](const PixelImage& s, PixelImage& d) {
    for (int i = 0; i < s.height; ++i) {
      std::copy_n(s.rows[s.height - 1 - i], s.width, d.rows[i]);
    }
    return 1;
  });
}

}  // namespace
}  // namespace vantoria
