// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// RGB <-> HSL and the hue/saturation/lightness adjustment.
//
// RgbToHsl: max, min, d = max - min in integers.
//   H = 0 when d = 0; else, first match in this order (so red wins ties, then green):
//     R = max: H = ((G - B) * 60) / d, plus 360 when negative
//     G = max: H = ((B - R) * 60) / d + 120
//     else:    H = ((R - G) * 60) / d + 240
//   with the product in integers and the division in double.
//   L = (max + min) / 255.0 / 2.0.
//   S = 0 when d = 0; else (d / 255.0) / (2.0 * L) when L <= 0.5, (d / 255.0) / (2.0 - 2.0 * L)
//   otherwise.
// HslToRgb: S exactly 0 gives R = G = B = trunc(L * 255.0). Otherwise
//   q = (1.0 + S) * L when L < 0.5, else (L + S) - L * S;  p = 2.0 * L - q;  h = H / 360.0;
//   t = h + 1/3, h, h - 1/3 for R, G, B; t < 0 gains 1.0, else t > 1.0 loses 1.0;
//   value = p + (q - p) * 6.0 * t        when t < 1/6
//           q                            when t < 0.5
//           p + (q - p) * 6.0 * (2/3 - t) when t < 2/3
//           p                            otherwise;
//   channel = trunc(value * 255.0), no clamp. 1/3, 1/6, 2/3 are the nearest doubles.
// Adjustment: H' = H + dH held to 0..359.999 (no wrap round the circle), S' = S + dS and
// L' = L + dL held to 0..1, then back to RGB with the source alpha. Truncation means zero
// offsets can still lose a level: (200, 100, 50) comes back as (200, 99, 49).

#include <algorithm>
#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kOneSixth = 1.0 / 6.0;
constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kMaxHue = 359.999;

double WrapPosition(double t) {
  if (t < 0.0) {
    return t + 1.0;
  }
  if (t > 1.0) {
    return t - 1.0;
  }
  return t;
}

int ChannelFromPosition(double p, double q, double t) {
  double value = p;
  if (t < kOneSixth) {
    value = p + (q - p) * 6.0 * t;
  } else if (t < 0.5) {
    value = q;
  } else if (t < kTwoThirds) {
    value = p + (q - p) * 6.0 * (kTwoThirds - t);
  }
  return static_cast<int>(value * 255.0);
}

// Above `high` becomes `high`, below 0 becomes 0.
double Limit(double value, double high) {
  if (value > high) {
    return high;
  }
  if (value < 0.0) {
    return 0.0;
  }
  return value;
}

}  // namespace

Hsl RgbToHsl(int red, int green, int blue) {
  const int max = std::max({red, green, blue});
  const int min = std::min({red, green, blue});
  const int d = max - min;
  Hsl hsl;
  if (d != 0) {
    if (red == max) {
      hsl.hue = static_cast<double>((green - blue) * 60) / d;
      if (hsl.hue < 0.0) {
        hsl.hue = hsl.hue + 360.0;
      }
    } else if (green == max) {
      hsl.hue = static_cast<double>((blue - red) * 60) / d + 120.0;
    } else {
      hsl.hue = static_cast<double>((red - green) * 60) / d + 240.0;
    }
  }
  hsl.lightness = (max + min) / 255.0 / 2.0;
  if (d != 0) {
    const double spread = d / 255.0;
    hsl.saturation = hsl.lightness <= 0.5 ? spread / (2.0 * hsl.lightness)
                                          : spread / (2.0 - 2.0 * hsl.lightness);
  }
  return hsl;
}

Rgb HslToRgb(double hue, double saturation, double lightness) {
  if (saturation == 0.0) {
    const int grey = static_cast<int>(lightness * 255.0);
    return {grey, grey, grey};
  }
  const double q = lightness < 0.5 ? (1.0 + saturation) * lightness
                                   : (lightness + saturation) - lightness * saturation;
  const double p = 2.0 * lightness - q;
  const double h = hue / 360.0;
  return {ChannelFromPosition(p, q, WrapPosition(h + kOneThird)),
          ChannelFromPosition(p, q, WrapPosition(h)),
          ChannelFromPosition(p, q, WrapPosition(h - kOneThird))};
}

int AdjustHueSaturationLightness(const PixelImage& source, PixelImage& destination,
                                 double hueOffset, double saturationOffset,
                                 double lightnessOffset) {
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = in[j];
      const Hsl hsl = RgbToHsl(RedOf(p), GreenOf(p), BlueOf(p));
      const Rgb rgb = HslToRgb(Limit(hsl.hue + hueOffset, kMaxHue),
                               Limit(hsl.saturation + saturationOffset, 1.0),
                               Limit(hsl.lightness + lightnessOffset, 1.0));
      out[j] = MakePixel(AlphaOf(p), rgb.red, rgb.green, rgb.blue);
    }
  }
  return 1;
}

}  // namespace vantoria::reference
