#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imaging/colour_ops.h"
#include "support/image_test_util.h"

namespace vantoria {

// Readable failure messages for colour triples.
void PrintTo(const Rgb& c, std::ostream* out) {
  *out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

namespace {

using test::ImagesEqual;
using test::RandomImage;
using test::UniformImage;

using Operation = std::function<int(const PixelImage&, PixelImage&)>;
using PixelRule = std::function<Pixel(Pixel)>;

constexpr Pixel Argb(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}
int A(Pixel p) {
  return static_cast<int>(p >> 24);
}
int R(Pixel p) {
  return static_cast<int>(p >> 16 & 0xFF);
}
int G(Pixel p) {
  return static_cast<int>(p >> 8 & 0xFF);
}
int B(Pixel p) {
  return static_cast<int>(p & 0xFF);
}
Pixel Grey(Pixel p, int g) {
  return Argb(A(p), g, g, g);
}

Pixel RunOnPixel(const Operation& op, Pixel p) {
  ImagePtr source = UniformImage(1, 1, p);
  ImagePtr destination = UniformImage(1, 1, 0x5A5A5A5A);
  EXPECT_EQ(op(*source, *destination), 1);
  return destination->rows[0][0];
}

Rgb RunHsl(Rgb c, double dH, double dS, double dL) {
  const Pixel p =
      RunOnPixel([&](const PixelImage& s,
                     PixelImage& d) { return AdjustHueSaturationLightness(s, d, dH, dS, dL); },
                 Argb(255, c.red, c.green, c.blue));
  return {R(p), G(p), B(p)};
}

struct Case {
  std::string name;
  Operation op;
  PixelRule expected;
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (auto [b, k] : {std::pair{0, 0.0},
                      {254, 0.0},
                      {-254, 0.5},
                      {37, -0.3},
                      {200, -0.5},
                      {-90, 1.0},
                      {254, -1.0}}) {
    cases.push_back({"brightness " + std::to_string(b) + " contrast " + std::to_string(k),
                     [=](auto& s, auto& d) { return AdjustBrightnessContrast(s, d, b, k); },
                     [=](Pixel p) {
                       auto f = [&](int v) {
                         const int x = v + b;
                         return std::clamp(x + static_cast<int>(k * (x - 128)), 0, 255);
                       };
                       return Argb(A(p), f(R(p)), f(G(p)), f(B(p)));
                     }});
  }
  for (int t : {-254, -1, 0, 77, 254}) {
    cases.push_back(
        {"transparency " + std::to_string(t),
         [=](auto& s, auto& d) { return AdjustTransparency(s, d, t); },
         [=](Pixel p) { return Argb(std::clamp(A(p) + t, 0, 255), R(p), G(p), B(p)); }});
  }
  for (auto [h, s, l] : {std::tuple{0.0, 0.0, 0.0}, {-144.0, 0.3, -0.2}, {250.0, -0.6, 0.45}}) {
    cases.push_back(
        {"hsl " + std::to_string(h),
         [=](auto& src, auto& d) { return AdjustHueSaturationLightness(src, d, h, s, l); },
         [=](Pixel p) {
           const Hsl in = RgbToHsl(R(p), G(p), B(p));
           const Rgb out = HslToRgb(std::clamp(in.hue + h, 0.0, 359.999),
                                    std::clamp(in.saturation + s, 0.0, 1.0),
                                    std::clamp(in.lightness + l, 0.0, 1.0));
           return Argb(A(p), out.red, out.green, out.blue);
         }});
  }
  cases.push_back({"invert", InvertColors,
                   [](Pixel p) { return Argb(A(p), 255 - R(p), 255 - G(p), 255 - B(p)); }});
  cases.push_back({"grey maximum", GrayscaleByMaximum, [](Pixel p) {
                     return Grey(p, std::max({R(p), G(p), B(p)}));
                   }});
  cases.push_back({"grey average", GrayscaleByAverage,
                   [](Pixel p) { return Grey(p, (R(p) + G(p) + B(p)) / 3); }});
  cases.push_back({"grey weighted", GrayscaleByWeightedAverage, [](Pixel p) {
                     return Grey(p, static_cast<int>(R(p) * 0.299 + G(p) * 0.587 + B(p) * 0.114));
                   }});
  for (int t : {-1, 0, 100, 255}) {
    cases.push_back({"binarize " + std::to_string(t),
                     [=](auto& s, auto& d) { return Binarize(s, d, t); },
                     [=](Pixel p) {
                       const double g = R(p) * 0.299 + G(p) * 0.587 + B(p) * 0.114;
                       return static_cast<int>(g) > t ? 0xFFFFFFFFu : 0xFF000000u;
                     }});
  }
  cases.push_back({"red eye", RemoveRedEye,
                   [](Pixel p) { return R(p) > G(p) + 70 && R(p) > B(p) + 70 ? 0xFF808080u : p; }});
  return cases;
}

// Every operation, every size: each pixel follows its rule, the source is untouched, the old
// destination content does not matter and a second run into the same destination agrees.
TEST(ColourOperations, EveryPixelFollowsItsRuleAtEverySize) {
  std::mt19937 random(2024);
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes(std::begin(test::kEdgeSizes),
                                                           std::end(test::kEdgeSizes));
  sizes.insert(sizes.end(), {{31, 29}, {1, 257}, {129, 3}});
  for (const Case& c : AllCases()) {
    SCOPED_TRACE(c.name);
    for (auto [height, width] : sizes) {
      SCOPED_TRACE(std::to_string(height) + "x" + std::to_string(width));
      ImagePtr source = RandomImage(random, height, width);
      ImagePtr original = CloneImage(*source);
      ImagePtr expected = CloneImage(*source);
      std::transform(source->pixels(), source->pixels() + source->pixelCount(), expected->pixels(),
                     c.expected);
      ImagePtr destination = RandomImage(random, height, width);
      ASSERT_EQ(c.op(*source, *destination), 1);
      EXPECT_TRUE(ImagesEqual(*destination, *expected));
      EXPECT_TRUE(ImagesEqual(*source, *original));
      ASSERT_EQ(c.op(*source, *destination), 1);
      EXPECT_TRUE(ImagesEqual(*destination, *expected));
    }
  }
}

Pixel Bc(Pixel p, int b, double k) {
  return RunOnPixel([=](auto& s, auto& d) { return AdjustBrightnessContrast(s, d, b, k); }, p);
}

TEST(BrightnessContrast, DialogExamplesTruncateAndClampOnceAtTheEnd) {
  EXPECT_EQ(Bc(Argb(9, 10, 0, 128), 254, 0.0), Argb(9, 255, 254, 255));
  EXPECT_EQ(Bc(Argb(255, 64, 192, 128), 0, 1.0), Argb(255, 0, 255, 128));
  EXPECT_EQ(Bc(Argb(255, 131, 125, 128), 0, 0.5), Argb(255, 132, 124, 128));
  // The brightened value is used unclamped: 100 + 200 = 300, not 255 (which would give 192).
  EXPECT_EQ(Bc(Argb(255, 100, 100, 100), 200, -0.5), Argb(255, 214, 214, 214));
  EXPECT_EQ(Bc(Argb(255, 100, 100, 100), -200, -0.5), Argb(255, 14, 14, 14));
}

TEST(BrightnessContrast, FullContrastReductionGivesMidGreyForAnyOffset) {
  for (int b : {INT_MIN, -254, 0, 254, INT_MAX}) {
    for (int v = 0; v < 256; v += 15) {
      EXPECT_EQ(Bc(Argb(v, v, 255 - v, v / 2), b, -1.0), Argb(v, 128, 128, 128)) << b;
    }
  }
}

TEST(BrightnessContrast, OffsetsAndFactorsFarOutsideTheDialogSaturate) {
  EXPECT_EQ(Bc(Argb(1, 0, 128, 255), INT_MAX, 0.0), Argb(1, 255, 255, 255));
  EXPECT_EQ(Bc(Argb(1, 0, 128, 255), INT_MIN, 0.0), Argb(1, 0, 0, 0));
  EXPECT_EQ(Bc(Argb(1, 127, 128, 129), 0, 1e300), Argb(1, 0, 128, 255));
  // A factor that is not a number leaves the contrast step out.
  EXPECT_EQ(Bc(Argb(1, 0, 128, 250), 10, std::nan("")), Argb(1, 10, 138, 255));
}

TEST(Transparency, EveryAlphaAndOffsetClampsAndColoursStay) {
  for (int t : {INT_MIN, -300, -254, -1, 0, 1, 254, 300, INT_MAX}) {
    for (int a = 0; a < 256; ++a) {
      const Pixel p = Argb(a, 200, 100, 50);
      const Pixel out =
          RunOnPixel([=](auto& s, auto& d) { return AdjustTransparency(s, d, t); }, p);
      const long long expected = std::clamp(static_cast<long long>(a) + t, 0LL, 255LL);
      ASSERT_EQ(out, Argb(static_cast<unsigned>(expected), 200, 100, 50)) << a << " " << t;
    }
  }
}

TEST(HslConversion, PureBlueAndHueFormulas) {
  const Hsl blue = RgbToHsl(0, 0, 255);
  EXPECT_EQ(blue.hue, 240.0);
  EXPECT_EQ(blue.saturation, 1.0);
  EXPECT_EQ(blue.lightness, 0.5);
  EXPECT_EQ(HslToRgb(240.0, 1.0, 0.5), (Rgb{0, 0, 255}));
  EXPECT_EQ(RgbToHsl(255, 0, 255).hue, 300.0);              // red formula, negative, +360
  EXPECT_EQ(RgbToHsl(255, 0, 1).hue, -60 / 255.0 + 360.0);  // just below 360
  EXPECT_EQ(RgbToHsl(255, 255, 0).hue, 60.0);
  EXPECT_EQ(RgbToHsl(0, 255, 255).hue, 180.0);
  EXPECT_EQ(RgbToHsl(10, 20, 30).hue, 210.0);
  const Hsl dark = RgbToHsl(10, 20, 30);
  EXPECT_EQ(dark.lightness, 40 / 255.0 / 2.0);
  EXPECT_EQ(dark.saturation, (20 / 255.0) / (2.0 * dark.lightness));
  const Hsl light = RgbToHsl(200, 220, 240);
  EXPECT_EQ(light.saturation, (40 / 255.0) / (2.0 - 2.0 * light.lightness));
  EXPECT_EQ(RgbToHsl(77, 77, 77).saturation, 0.0);
}

// The hue written per channel case: an integer sextant product divided in double.
double ExpectedHue(int r, int g, int b) {
  const int hi = std::max({r, g, b});
  const int spread = hi - std::min({r, g, b});
  if (spread == 0) {
    return 0.0;
  }
  if (r == hi) {
    const double h = static_cast<double>(60 * (g - b)) / spread;
    return h < 0.0 ? 360.0 + h : h;
  }
  return g == hi ? 120.0 + static_cast<double>(60 * (b - r)) / spread
                 : 240.0 + static_cast<double>(60 * (r - g)) / spread;
}

// Over every colour: the hue formula, hue in [0, 360), lightness in [0, 1], and the round trip
// keeps greys exactly and otherwise loses at most one level per channel, never gains.
TEST(HslConversion, RoundTripOverEveryColourLosesAtMostOneLevel) {
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        const Hsl hsl = RgbToHsl(r, g, b);
        ASSERT_EQ(hsl.hue, ExpectedHue(r, g, b)) << r << " " << g << " " << b;
        ASSERT_TRUE(hsl.hue >= 0.0 && hsl.hue < 360.0) << r << " " << g << " " << b;
        ASSERT_TRUE(hsl.lightness >= 0.0 && hsl.lightness <= 1.0);
        const Rgb back = HslToRgb(hsl.hue, hsl.saturation, hsl.lightness);
        for (auto [in, out] : {std::pair{r, back.red}, {g, back.green}, {b, back.blue}}) {
          ASSERT_TRUE(out == in || out == in - 1) << r << " " << g << " " << b;
        }
        if (r == g && g == b) {
          ASSERT_EQ(back, (Rgb{r, r, r}));
        }
      }
    }
  }
}

TEST(HueSaturationLightness, ExamplesAndComparisonBoundaries) {
  EXPECT_EQ(RunHsl({200, 100, 50}, 0, 0, 0), (Rgb{200, 99, 49}));
  EXPECT_EQ(RunHsl({0, 0, 255}, 180, 0, 0), (Rgb{255, 0, 0}));  // clamped at 359.999
  EXPECT_EQ(RunHsl({0, 0, 255}, -120, 0, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(RunHsl({128, 128, 128}, 0, 0.5, 0), (Rgb{191, 64, 64}));
  EXPECT_EQ(RunHsl({128, 128, 128}, 120, 0.5, 0), (Rgb{64, 191, 64}));
  // The hue is clamped, not wrapped round the circle.
  EXPECT_EQ(RunHsl({0, 255, 0}, 360, 0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(RunHsl({0, 0, 255}, -360, 0, 0), (Rgb{255, 0, 0}));
  // A position of exactly 0.5 takes the falling edge, exactly 1/6 the plateau, and a
  // lightness of exactly 0.5 takes (L + S) - L * S.
  EXPECT_EQ(RunHsl({0, 5, 5}, 0, 0, 0), (Rgb{0, 4, 5}));
  EXPECT_EQ(RunHsl({0, 45, 75}, -144, 0, 0), (Rgb{74, 75, 0}));
  EXPECT_EQ(RunHsl({115, 115, 140}, -360, 0, 0), (Rgb{139, 115, 115}));
  // The ramps multiply (q - p) by 6.0 first, then by the position.
  EXPECT_EQ(RunHsl({0, 4, 171}, 0, 0, 0), (Rgb{0, 4, 171}));
  EXPECT_EQ(RunHsl({0, 8, 19}, 0, 0, 0), (Rgb{0, 7, 19}));
  EXPECT_EQ(RunHsl({0, 13, 5}, 0, 0, 0), (Rgb{0, 13, 5}));
  EXPECT_EQ(RunHsl({0, 15, 10}, 0, 0, 0), (Rgb{0, 15, 9}));
  // Pinned where a reordering of q, S or H changes the outcome.
  EXPECT_EQ(RunHsl({1, 1, 6}, 0, 0, 0), (Rgb{0, 0, 6}));
  EXPECT_EQ(RunHsl({1, 1, 68}, 0, 0, 0), (Rgb{0, 0, 68}));
  EXPECT_EQ(RunHsl({7, 0, 5}, 0, 0, 0), (Rgb{7, 0, 4}));
}

TEST(HueSaturationLightness, GreysStayAndFullLightnessOffsetsReachTheEnds) {
  for (int v = 0; v < 256; ++v) {
    ASSERT_EQ(RunHsl({v, v, v}, 0, 0, 0), (Rgb{v, v, v}));
  }
  std::mt19937 random(7);
  for (int n = 0; n < 2000; ++n) {
    const Rgb c{static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                static_cast<int>(random() % 256)};
    ASSERT_EQ(RunHsl(c, 0, 0, -1.0), (Rgb{0, 0, 0}));
    const Rgb bright = RunHsl(c, 0, 0, 1.0);
    ASSERT_TRUE(bright.red >= 254 && bright.green >= 254 && bright.blue >= 254);
    const Rgb flat = RunHsl(c, 0, -1.0, 0);
    ASSERT_LE(
        std::max({flat.red, flat.green, flat.blue}) - std::min({flat.red, flat.green, flat.blue}),
        1);
  }
  // Full lightness is not always pure white: q = (1 + S) - S falls one step short of 1.
  EXPECT_EQ(RunHsl({1, 1, 5}, 0, 0, 1.0), (Rgb{255, 255, 254}));
  EXPECT_EQ(RunHsl({255, 0, 0}, 0, 0, 1.0), (Rgb{255, 255, 255}));
  // Nor does full desaturation always reach grey: S of (9, 9, 255) is one step above 1, so
  // S - 1 is not exactly 0 and the colour path runs.
  EXPECT_EQ(RunHsl({9, 9, 255}, 0, -1.0, 0), (Rgb{131, 131, 132}));
  EXPECT_EQ(RunHsl({200, 100, 50}, 0, -1.0, 0), (Rgb{125, 125, 125}));
}

TEST(Invert, TwiceRestoresEveryPixelIncludingAlpha) {
  std::mt19937 random(11);
  ImagePtr source = RandomImage(random, 17, 23);
  ImagePtr once = CreateImage(17, 23);
  ImagePtr twice = CreateImage(17, 23);
  InvertColors(*source, *once);
  InvertColors(*once, *twice);
  EXPECT_TRUE(ImagesEqual(*twice, *source));
}

TEST(Grayscale, WeightedLevelsTruncateSixtyFiveGreysDownByOne) {
  int dropped = 0;
  for (int v = 0; v < 256; ++v) {
    const int g = WeightedGrey(v, v, v);
    ASSERT_TRUE(g == v || g == v - 1) << v;
    dropped += g != v;
  }
  EXPECT_EQ(dropped, 65);
  for (auto [in, out] :
       {std::pair{1, 0}, {128, 127}, {254, 253}, {0, 0}, {100, 100}, {200, 200}, {255, 255}}) {
    EXPECT_EQ(WeightedGrey(in, in, in), out) << in;
  }
  EXPECT_EQ(WeightedGrey(255, 0, 0), 76);
  EXPECT_EQ(WeightedGrey(0, 255, 0), 149);
  EXPECT_EQ(WeightedGrey(0, 0, 255), 29);
  EXPECT_EQ(WeightedGrey(1, 51, 226), 56);  // red and green summed first, then blue
  const Pixel p = RunOnPixel(GrayscaleByWeightedAverage, Argb(3, 128, 128, 128));
  EXPECT_EQ(p, Argb(3, 127, 127, 127));
  EXPECT_EQ(RunOnPixel(GrayscaleByAverage, Argb(0, 255, 255, 254)), Argb(0, 254, 254, 254));
}

Pixel Threshold(Pixel p, int t) {
  return RunOnPixel([=](auto& s, auto& d) { return Binarize(s, d, t); }, p);
}

TEST(Binarize, ComparesTheTruncatedWeightedGreyStrictly) {
  EXPECT_EQ(Threshold(Argb(0, 255, 255, 255), 255), 0xFF000000u);
  EXPECT_EQ(Threshold(Argb(0, 0, 0, 2), 0), 0xFF000000u);  // grey 0.228 truncates to 0
  EXPECT_EQ(Threshold(Argb(0, 1, 1, 1), 0), 0xFF000000u);  // grey level 1 drops to 0
  EXPECT_EQ(Threshold(Argb(0, 0, 0, 9), 0), 0xFFFFFFFFu);
  EXPECT_EQ(Threshold(Argb(7, 128, 128, 128), 127), 0xFF000000u);
  EXPECT_EQ(Threshold(Argb(7, 128, 128, 128), 126), 0xFFFFFFFFu);
}

TEST(RedEye, ReplacesOnlyWhenRedLeadsBothOthersBy71) {
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 200, 100, 50)), 0xFF808080u);
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 171, 100, 100)), 0xFF808080u);
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 170, 100, 100)), Argb(0x12, 170, 100, 100));
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 171, 50, 101)), Argb(0x12, 171, 50, 101));
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 171, 101, 50)), Argb(0x12, 171, 101, 50));
  EXPECT_EQ(RunOnPixel(RemoveRedEye, Argb(0x12, 0, 255, 255)), Argb(0x12, 0, 255, 255));
}

}  // namespace
}  // namespace vantoria
