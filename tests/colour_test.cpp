// Catches colour faults against formula oracles: channels, clamps, truncation, one build/band.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "imaging/colour_ops.h"
#include "imaging/display_blend.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::Operation;
using test::PerPixel;

constexpr Pixel Argb(int a, int r, int g, int b) {
  return static_cast<Pixel>(a) << 24 | static_cast<Pixel>(r) << 16 | static_cast<Pixel>(g) << 8 |
         static_cast<Pixel>(b);
}
constexpr auto A = [](Pixel p) { return static_cast<int>(p >> 24); };
constexpr auto R = [](Pixel p) { return static_cast<int>(p >> 16 & 0xFF); };
constexpr auto G = [](Pixel p) { return static_cast<int>(p >> 8 & 0xFF); };
constexpr auto B = [](Pixel p) { return static_cast<int>(p & 0xFF); };

// --- Oracles, from the formulas ---

int OracleGrey(Pixel p) {
  return static_cast<int>((R(p) * 0.299 + G(p) * 0.587) + B(p) * 0.114);
}

Pixel OracleBrightnessContrast(Pixel p, int brightness, double contrast) {
  const auto channel = [&](int v) {
    const double x = static_cast<double>(v) + brightness;  // exact, never clamped here
    const double step = std::trunc(contrast * (x - 128));
    const double y = std::isnan(step) ? x : x + step;  // no number: no contrast step
    return static_cast<int>(std::clamp(y, 0.0, 255.0));
  };
  return Argb(A(p), channel(R(p)), channel(G(p)), channel(B(p)));
}

// HSL has no shorter statement than its own conversion steps, so its oracle is a plain twin of
// them in double, in the order written (the truncations and clamps included).
struct HslValue {
  double h, s, l;
};

HslValue OracleToHsl(int r, int g, int b) {
  const int hi = std::max({r, g, b});
  const int lo = std::min({r, g, b});
  const int d = hi - lo;
  HslValue out{0.0, 0.0, (hi + lo) / 255.0 / 2.0};
  if (d == 0) {
    return out;
  }
  if (r == hi) {
    out.h = static_cast<double>((g - b) * 60) / d;
    out.h = out.h < 0 ? out.h + 360 : out.h;
  } else if (g == hi) {
    out.h = static_cast<double>((b - r) * 60) / d + 120;
  } else {
    out.h = static_cast<double>((r - g) * 60) / d + 240;
  }
  out.s = out.l <= 0.5 ? (d / 255.0) / (2.0 * out.l) : (d / 255.0) / (2.0 - 2.0 * out.l);
  return out;
}

int OracleHueChannel(double p, double q, double t) {
  t = t < 0 ? t + 1.0 : (t > 1.0 ? t - 1.0 : t);
  const double v = t < 1.0 / 6.0   ? p + (q - p) * 6.0 * t
                   : t < 0.5       ? q
                   : t < 2.0 / 3.0 ? p + (q - p) * 6.0 * (2.0 / 3.0 - t)
                                   : p;
  return static_cast<int>(v * 255.0);
}

Rgb OracleFromHsl(HslValue c) {
  if (c.s == 0) {
    const int v = static_cast<int>(c.l * 255.0);
    return {v, v, v};
  }
  const double q = c.l < 0.5 ? (1.0 + c.s) * c.l : (c.l + c.s) - c.l * c.s;
  const double p = 2.0 * c.l - q;
  const double h = c.h / 360.0;
  return {OracleHueChannel(p, q, h + 1.0 / 3.0), OracleHueChannel(p, q, h),
          OracleHueChannel(p, q, h - 1.0 / 3.0)};
}

Pixel OracleHsl(Pixel p, double dh, double ds, double dl) {
  const HslValue in = OracleToHsl(R(p), G(p), B(p));
  const Rgb out = OracleFromHsl({std::clamp(in.h + dh, 0.0, 359.999),
                                 std::clamp(in.s + ds, 0.0, 1.0), std::clamp(in.l + dl, 0.0, 1.0)});
  return Argb(A(p), out.red, out.green, out.blue);
}

Operation HslOp(double dh, double ds, double dl) {
  return [=](auto& s, auto& d) { return AdjustHueSaturationLightness(s, d, dh, ds, dl); };
}
Operation Bc(int b, double k) {
  return [=](auto& s, auto& d) { return AdjustBrightnessContrast(s, d, b, k); };
}
Operation Threshold(int t) {
  return [=](auto& s, auto& d) { return Binarize(s, d, t); };
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Hue, saturation and lightness offsets; a hue that is not a number takes every channel to p.
constexpr double kHslOffsets[][3] = {{0, 0, 0},         {100, 1, 1},          {-100, -1, -1},
                                     {360, 0, 0},       {-360, 0.5, 0},       {36, 0.2, -0.1},
                                     {-144, 0.3, -0.2}, {250, -0.6, 0.45},    {0, 0, 1},
                                     {0, -1, 0},        {-50.4, 0.37, -0.21}, {1e9, -1e9, 0.5},
                                     {-0.0, 0.0, -0.0}, {kNaN, 0.2, -0.1}};

struct Row {
  std::string name;
  Operation op;
  std::function<Pixel(Pixel)> oracle;
};

std::vector<Row> Table() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<Row> rows = {
      {"invert", InvertColors, [](Pixel p) { return p ^ 0x00FFFFFFu; }},
      {"grey maximum", GrayscaleByMaximum,
       [](Pixel p) {
         const int g = std::max({R(p), G(p), B(p)});
         return Argb(A(p), g, g, g);
       }},
      {"grey average", GrayscaleByAverage,
       [](Pixel p) {
         const int g = (R(p) + G(p) + B(p)) / 3;
         return Argb(A(p), g, g, g);
       }},
      {"grey weighted", GrayscaleByWeightedAverage,
       [](Pixel p) { return Argb(A(p), OracleGrey(p), OracleGrey(p), OracleGrey(p)); }},
      {"red eye", RemoveRedEye,
       [](Pixel p) { return R(p) - std::max(G(p), B(p)) > 70 ? 0xFF808080u : p; }},
  };
  for (int b : {INT_MIN, -65537, -65536, -254, -1, 0, 51, 254, 65536, 65537, INT_MAX}) {
    for (double k : {-kInf, -1e300, -4096.0, -1.0, -0.5, 0.0, 0.3, 1.0, 4096.5, kInf, kNaN}) {
      rows.push_back({"brightness " + std::to_string(b) + " contrast " + std::to_string(k),
                      Bc(b, k), [=](Pixel p) { return OracleBrightnessContrast(p, b, k); }});
    }
  }
  for (int t : {INT_MIN, -256, -255, -254, -1, 0, 1, 77, 254, 255, 256, INT_MAX}) {
    rows.push_back({"transparency " + std::to_string(t),
                    [=](auto& s, auto& d) { return AdjustTransparency(s, d, t); },
                    [=](Pixel p) {
                      const long long a = std::clamp(A(p) + static_cast<long long>(t), 0LL, 255LL);
                      return Argb(static_cast<int>(a), R(p), G(p), B(p));
                    }});
  }
  for (int t : {INT_MIN, -1, 0, 1, 126, 127, 128, 254, 255, 256, INT_MAX}) {
    rows.push_back({"binarize " + std::to_string(t), Threshold(t),
                    [=](Pixel p) { return OracleGrey(p) > t ? 0xFFFFFFFFu : 0xFF000000u; }});
  }
  for (const auto& o : kHslOffsets) {
    rows.push_back(
        {"hsl " + std::to_string(o[0]) + " " + std::to_string(o[1]) + " " + std::to_string(o[2]),
         HslOp(o[0], o[1], o[2]), [=](Pixel p) { return OracleHsl(p, o[0], o[1], o[2]); }});
  }
  return rows;
}

TEST(ColourOperations, MatchTheirOraclesEverywhere) {
  for (const Row& row : Table()) {
    SCOPED_TRACE(row.name);
    test::ExpectMatchesEverywhere(row.op, PerPixel(row.oracle));
  }
}

// Two equal channels put the hue on a multiple of 60 degrees, where the ramp's pieces meet: every
// such colour, and grey, in each build.
TEST(ColourOperations, HslMatchesItsOracleOnEveryTie) {
  ImagePtr ties = CreateImage(3 * 256, 256);
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      ties->rows[a][b] = Argb(b, a, a, b);
      ties->rows[256 + a][b] = Argb(a, a, b, a);
      ties->rows[512 + a][b] = Argb(255, b, a, a);
    }
  }
  for (const auto& o : kHslOffsets) {
    SCOPED_TRACE(std::to_string(o[0]) + " " + std::to_string(o[1]) + " " + std::to_string(o[2]));
    const ImagePtr expected = CloneImage(*ties);
    PerPixel([&](Pixel p) { return OracleHsl(p, o[0], o[1], o[2]); })(*ties, *expected);
    test::ForEachConfiguration([&] {
      const ImagePtr actual = CloneImage(*ties);
      HslOp(o[0], o[1], o[2])(*ties, *actual);
      EXPECT_TRUE(test::ImagesEqual(*actual, *expected));
    });
  }
}

// Every (channel, alpha) pair, in rows with a gap after them, as the view's picture.
TEST(DisplayBlend, RoundsEveryChannelAndAlphaOverBlack) {
  ImagePtr image = CreateImage(256, 257);
  for (int a = 0; a < 256; ++a) {
    for (int c = 0; c < 257; ++c) {
      image->rows[a][c] = Argb(a, c % 256, 255 - c % 256, (c % 256) ^ 0x5A);
    }
  }
  constexpr std::ptrdiff_t kStride = 257 * 4 + 12;
  test::ForEachConfiguration([&] {
    std::vector<std::uint8_t> bits(256 * kStride, 0xEE);
    BlendOverBlack(*image, bits.data(), kStride);
    for (int a = 0; a < 256; ++a) {
      for (int c = 0; c < 257; ++c) {
        Pixel shown;
        std::memcpy(&shown, bits.data() + a * kStride + 4 * c, sizeof shown);
        const Pixel p = image->rows[a][c];
        const auto over = [a](int channel) { return (channel * a + 127) / 255; };
        ASSERT_EQ(shown, Argb(255, over(R(p)), over(G(p)), over(B(p)))) << a << ", " << c;
      }
      ASSERT_EQ(bits[a * kStride + 257 * 4], 0xEE);  // the gap after each row is left alone
    }
  });
}

}  // namespace
}  // namespace vantoria
