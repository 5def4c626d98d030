#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "imaging/channels.h"
#include "imaging/geometry_ops.h"
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

// --- BlendPixels ---

TEST(BlendPixels, TruncatesEachChannelIndependently) {
  // Opaque and transparent half and half: alpha 127.5 truncates to 127.
  EXPECT_EQ(BlendPixels(0xFF000000u, 0.5, 0x00000000u, 0.5), 0x7F000000u);
  EXPECT_EQ(BlendPixels(0x0A141E28u, 0.25, 0x14283C50u, 0.75), 0x11233446u);
  EXPECT_EQ(BlendPixels(0x12345678u, 0.0, 0x9ABCDEF0u, 1.0), 0x9ABCDEF0u);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> fraction(0.0, 1.0);
  for (int n = 0; n < 20000; ++n) {
    const Pixel p = random(), q = random();
    const double f = fraction(random);
    Pixel expected = 0;
    for (int shift : {0, 8, 16, 24}) {
      const int value = RefMix((p >> shift) & 0xFF, 1 - f, (q >> shift) & 0xFF, f);
      ASSERT_LE(value, 255);
      expected |= static_cast<Pixel>(value) << shift;
    }
    ASSERT_EQ(BlendPixels(p, 1 - f, q, f), expected) << p << " " << q << " " << f;
  }
}

// --- SampleBilinear ---

TEST(SampleBilinear, ExactPositionsReturnThePixelUnchanged) {
  std::mt19937 random(1);
  ImagePtr image = RandomImage(random, 5, 6);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 6; ++j) {
      ASSERT_EQ(SampleBilinear(*image, j, i), image->rows[i][j]);
      ASSERT_EQ(SampleBilinear(*image, j + 0.0009, i + 0.0009), image->rows[i][j]);
    }
  }
}

TEST(SampleBilinear, ExactThresholdIsTheSinglePrecisionValue) {
  ImagePtr image = ImageFromPixels(1, 2, {0xFFFFFFFFu, 0x00000000u});
  // 255 * (1 - 0.001) = 254.7, so any blend would show as 0xFEFEFEFE.
  EXPECT_EQ(SampleBilinear(*image, 0.001, 0.0), 0xFFFFFFFFu);  // 0.001 < 0.001f
  EXPECT_EQ(SampleBilinear(*image, 0.0010001, 0.0), 0xFEFEFEFEu);
  EXPECT_EQ(SampleBilinear(*image, 0.0, 0.0010001), 0xFFFFFFFFu);  // bottom band: nothing below
}

TEST(SampleBilinear, RowBlendsAreTruncatedBeforeTheColumnBlend) {
  // Rows blend to 0.5 -> 0 and 1.5 -> 1; 0.5 between them -> 0 (an unstaged blend gives 1).
  ImagePtr image = ImageFromPixels(2, 2, {0xFF000000u, 0xFF000001u, 0xFF000001u, 0xFF000002u});
  EXPECT_EQ(SampleBilinear(*image, 0.5, 0.5), 0xFF000000u);
}

TEST(SampleBilinear, FloorsNegativeCoordinatesIntoTheBands) {
  ImagePtr image = ImageFromPixels(2, 2, {0xFF102030u, 0xFF405060u, 0x80000000u, 0x00FFFFFFu});
  EXPECT_EQ(SampleBilinear(*image, -0.5, 0.5), BlendPixels(0xFF102030u, 0.5, 0x80000000u, 0.5));
  EXPECT_EQ(SampleBilinear(*image, 0.5, -0.5), BlendPixels(0xFF102030u, 0.5, 0xFF405060u, 0.5));
  EXPECT_EQ(SampleBilinear(*image, -0.5, -0.5), 0xFF102030u);  // corner
  EXPECT_EQ(SampleBilinear(*image, 1.5, 1.999), 0x00FFFFFFu);  // corner
  EXPECT_EQ(SampleBilinear(*image, -1.0, 0.0), 0xFF102030u);   // floor -1 is a band, not exact
  EXPECT_EQ(SampleBilinear(*image, -1.5, 0.0), kWhite);        // truncation would say -1
  EXPECT_EQ(SampleBilinear(*image, 0.0, -1.0001), kWhite);
  EXPECT_EQ(SampleBilinear(*image, 2.0, 0.0), kWhite);
  EXPECT_EQ(SampleBilinear(*image, 0.0, 2.0), kWhite);
}

TEST(SampleBilinear, HugeAndNonFiniteCoordinatesAreWhite) {
  ImagePtr image = UniformImage(3, 3, 0xFF123456u);
  const double inf = std::numeric_limits<double>::infinity();
  for (double far : {1e300, -1e300, inf, -inf, std::nan(""), 2147483648.5, -2147483649.5,
                     4294967296.0, -2147483648.0}) {
    EXPECT_EQ(SampleBilinear(*image, far, 1.0), kWhite) << far;
    EXPECT_EQ(SampleBilinear(*image, 1.0, far), kWhite) << far;
  }
}

TEST(SampleBilinear, MatchesReferenceAroundEveryEdge) {
  std::mt19937 random(2);
  std::uniform_real_distribution<double> jitter(0.0, 1.0);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    for (double y = -2.5; y <= height + 1.5; y += 0.25) {
      for (double x = -2.5; x <= width + 1.5; x += 0.25) {
        ASSERT_EQ(SampleBilinear(*image, x, y), RefSample(*image, x, y))
            << height << "x" << width << " at " << x << "," << y;
        const double rx = x + jitter(random) * 0.25, ry = y + jitter(random) * 0.25;
        ASSERT_EQ(SampleBilinear(*image, rx, ry), RefSample(*image, rx, ry));
      }
    }
  }
}

// --- ResizeImage ---

ImagePtr Resized(const PixelImage& source, int width, int height) {
  ImagePtr out = CreateImage(height, width);
  EXPECT_EQ(ResizeImage(source, *out, width, height), 1);
  return out;
}

TEST(ResizeImage, SameSizeIsAnExactCopy) {
  std::mt19937 random(3);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    if (image->pixelCount() > 0) {
      EXPECT_TRUE(ImagesEqual(*Resized(*image, width, height), *image));
    }
  }
}

TEST(ResizeImage, WholeFactorReductionPicksEveryKthPixel) {
  std::mt19937 random(4);
  for (int k = 2; k <= 7; ++k) {
    for (int size : {1, 5, 13, 31}) {
      ImagePtr image = RandomImage(random, size * k, size * (k + 1));
      ImagePtr out = Resized(*image, size, size);
      for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
          ASSERT_EQ(out->rows[i][j], image->rows[i * k][j * (k + 1)]) << k << " " << size;
        }
      }
    }
  }
}

TEST(ResizeImage, EnlargingBlendsAndRepeatsTheLastColumn) {
  ImagePtr row = ImageFromPixels(1, 3, {10, 20, 40});
  EXPECT_TRUE(ImagesEqual(*Resized(*row, 6, 1), *ImageFromPixels(1, 6, {10, 15, 20, 30, 40, 40})));
}

TEST(ResizeImage, MatchesReferenceForAnySizes) {
  std::mt19937 random(5);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    ImagePtr before = CloneImage(*image);
    for (auto [newHeight, newWidth] : {std::pair{1, 1}, {3, 7}, {7, 3}, {16, 9}, {29, 40}}) {
      EXPECT_TRUE(ImagesEqual(*Resized(*image, newWidth, newHeight),
                              *RefResize(*image, newWidth, newHeight)));
    }
    EXPECT_TRUE(ImagesEqual(*image, *before));
  }
}

TEST(ResizeImage, SourceWithoutPixelsGivesWhite) {
  for (auto [height, width] : {std::pair{0, 0}, {0, 5}, {5, 0}}) {
    ImagePtr empty = CreateImage(height, width);
    EXPECT_TRUE(ImagesEqual(*Resized(*empty, 4, 3), *UniformImage(3, 4, kWhite)));
  }
}

// --- RotateImage ---

TEST(RotateImage, SizesOfTheTurnedPicture) {
  ImagePtr image = UniformImage(3, 4, 0xFF000000u);  // width 4, height 3
  const struct {
    double degrees;
    int width, height;
  } cases[] = {{0, 5, 4}, {90, 4, 5}, {180, 5, 4}, {270, 4, 5}, {45, 6, 6}};
  for (const auto& c : cases) {
    ImagePtr out = RotateImage(*image, c.degrees);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, c.width) << c.degrees;
    EXPECT_EQ(out->height, c.height) << c.degrees;
  }
}

TEST(RotateImage, QuarterAndHalfTurnsLeaveOneWhiteLine) {
  ImagePtr image = UniformImage(3, 4, 0xFF000000u);
  auto columnZeroWhite = [](const PixelImage& im) {
    for (int i = 0; i < im.height; ++i) {
      if (im.rows[i][0] != kWhite) {
        return false;
      }
    }
    return true;
  };
  auto rowZeroWhite = [](const PixelImage& im) {
    return std::all_of(im.rows[0], im.rows[0] + im.width, [](Pixel p) { return p == kWhite; });
  };
  ImagePtr right = RotateImage(*image, 90);
  EXPECT_TRUE(columnZeroWhite(*right));
  EXPECT_EQ(right->rows[0][1], 0xFF000000u);  // row 0 is the left band, not white
  EXPECT_EQ(right->rows[4][3], 0xFF000000u);
  ImagePtr left = RotateImage(*image, 270);
  EXPECT_TRUE(rowZeroWhite(*left));
  EXPECT_EQ(left->rows[1][0], 0xFF000000u);
  ImagePtr half = RotateImage(*image, 180);
  EXPECT_TRUE(rowZeroWhite(*half));
  EXPECT_TRUE(columnZeroWhite(*half));
  EXPECT_EQ(half->rows[1][1], 0xFF000000u);
  ImagePtr diagonal = RotateImage(*image, 45);
  for (auto [i, j] : {std::pair{0, 0}, {0, 5}, {5, 0}, {5, 5}}) {
    EXPECT_EQ(diagonal->rows[i][j], kWhite) << i << "," << j;
  }
  EXPECT_EQ(diagonal->rows[3][3], 0xFF000000u);
}

TEST(RotateImage, PositiveAnglesTurnClockwise) {
  // The right third of a 9 x 9 image is red; after 90 degrees it must lie at the bottom.
  ImagePtr image = UniformImage(9, 9, 0xFF000000u);
  for (int i = 0; i < 9; ++i) {
    std::fill(image->rows[i] + 6, image->rows[i] + 9, 0xFFFF0000u);
  }
  ImagePtr out = RotateImage(*image, 90);
  EXPECT_EQ(out->rows[8][5], 0xFFFF0000u);
  EXPECT_EQ(out->rows[2][5], 0xFF000000u);
}

TEST(RotateImage, ZeroDegreesSamplesAtHalfPixelOffsets) {
  ImagePtr single = RotateImage(*UniformImage(1, 1, 0x80123456u), 0);
  EXPECT_TRUE(ImagesEqual(*single, *UniformImage(2, 2, 0x80123456u)));
  std::mt19937 random(6);
  for (auto [height, width] : {std::pair{1, 7}, {7, 1}, {2, 2}, {13, 17}}) {
    const Pixel colour = random();
    EXPECT_TRUE(ImagesEqual(*RotateImage(*UniformImage(height, width, colour), 0),
                            *UniformImage(height + 1, width + 1, colour)));
    ImagePtr image = RandomImage(random, height, width);
    ImagePtr out = RotateImage(*image, 0);
    for (int i = 1; i < height; ++i) {
      for (int j = 1; j < width; ++j) {
        const Pixel* up = image->rows[i - 1];
        const Pixel* down = image->rows[i];
        const Pixel expected = BlendPixels(BlendPixels(up[j - 1], 0.5, up[j], 0.5), 0.5,
                                           BlendPixels(down[j - 1], 0.5, down[j], 0.5), 0.5);
        ASSERT_EQ(out->rows[i][j], expected);
      }
    }
    for (int j = 1; j < width; ++j) {  // first and last rows come from the top and bottom bands
      const Pixel* top = image->rows[0];
      const Pixel* bottom = image->rows[height - 1];
      ASSERT_EQ(out->rows[0][j], BlendPixels(top[j - 1], 0.5, top[j], 0.5));
      ASSERT_EQ(out->rows[height][j], BlendPixels(bottom[j - 1], 0.5, bottom[j], 0.5));
    }
  }
}

TEST(RotateImage, MatchesReferenceForAnyAngle) {
  std::mt19937 random(8);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    ImagePtr before = CloneImage(*image);
    for (double degrees : {0, 1, 30, 45, 89, 90, 137, 180, 226, 270, 315, 359}) {
      ImagePtr out = RotateImage(*image, degrees);
      ASSERT_TRUE(out);
      EXPECT_TRUE(ImagesEqual(*out, *RefRotate(*image, degrees))) << degrees;
    }
    EXPECT_TRUE(ImagesEqual(*image, *before));
  }
}

TEST(RotateImage, NonFiniteAngleGivesNoImage) {
  ImagePtr image = UniformImage(2, 2, 0xFF000000u);
  EXPECT_FALSE(RotateImage(*image, std::nan("")));
  EXPECT_FALSE(RotateImage(*image, std::numeric_limits<double>::infinity()));
}

// --- Mirrors ---

TEST(Mirror, ReversesRowsOrColumnsAndTwiceRestores) {
  std::mt19937 random(9);
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = RandomImage(random, height, width);
    ImagePtr horizontal = CreateImage(height, width), vertical = CreateImage(height, width);
    EXPECT_EQ(MirrorHorizontal(*image, *horizontal), 1);
    EXPECT_EQ(MirrorVertical(*image, *vertical), 1);
    for (int i = 0; i < height; ++i) {
      for (int j = 0; j < width; ++j) {
        ASSERT_EQ(horizontal->rows[i][j], image->rows[i][width - 1 - j]);
        ASSERT_EQ(vertical->rows[i][j], image->rows[height - 1 - i][j]);
      }
    }
    ImagePtr back = CreateImage(height, width);
    MirrorHorizontal(*horizontal, *back);
    EXPECT_TRUE(ImagesEqual(*back, *image));
    MirrorVertical(*vertical, *back);
    EXPECT_TRUE(ImagesEqual(*back, *image));
  }
}

}  // namespace
}  // namespace vantoria
