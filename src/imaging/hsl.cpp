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
#include "imaging/colour_ops.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
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

// The adjustment pixel by pixel, for the portable build.
struct HslPixel {
  double hueOffset;
  double saturationOffset;
  double lightnessOffset;

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    const Pixel p = *in;
    const Hsl hsl = RgbToHsl(RedOf(p), GreenOf(p), BlueOf(p));
    const Rgb rgb =
        HslToRgb(Limit(hsl.hue + hueOffset, kMaxHue), Limit(hsl.saturation + saturationOffset, 1.0),
                 Limit(hsl.lightness + lightnessOffset, 1.0));
    *out = MakePixel(AlphaOf(p), rgb.red, rgb.green, rgb.blue);
  }
};

// The adjustment for four pixels a lane each. Every branch above becomes a choice between
// values that are each worked out exactly as there (a lane that does not need a value may
// divide by zero; its result is never chosen), so every lane ends with the same doubles.
struct HslBlock {
  double hueOffset;
  double saturationOffset;
  double lightnessOffset;

  using F64x4 = simd::F64x4;
  using I32x4 = simd::I32x4;
  using Mask = std::int64_t __attribute__((vector_size(32)));  // a double lane's condition

  // Above `high` becomes `high`, below 0 becomes 0.
  static VANTORIA_INLINE void Limit(F64x4& value, double high) {
    const F64x4 zero = {};
    const F64x4 low = value < zero ? zero : value;
    value = value > high ? zero + high : low;
  }

  static VANTORIA_INLINE void Hue(F64x4& hue, const I32x4& red, const I32x4& green,
                                  const I32x4& blue, const I32x4& max, const I32x4& d) {
    const I32x4 redMax = red == max;
    const I32x4 greenMax = ~redMax & (green == max);
    const I32x4 numerator =
        redMax ? (green - blue) * 60 : (greenMax ? (blue - red) * 60 : (red - green) * 60);
    F64x4 top;
    F64x4 bottom;
    simd::ToDouble(top, numerator);
    simd::ToDouble(bottom, d);
    const F64x4 quotient = top / bottom;
    const F64x4 zero = {};
    const F64x4 redHue = quotient < zero ? quotient + 360.0 : quotient;
    const Mask greenLane = __builtin_convertvector(greenMax, Mask);
    const F64x4 otherHue = quotient + (greenLane ? zero + 120.0 : zero + 240.0);
    hue = __builtin_convertvector(redMax, Mask) ? redHue : otherHue;
    hue = __builtin_convertvector(d != I32x4{}, Mask) ? hue : zero;
  }

  static VANTORIA_INLINE I32x4 ChannelLanes(const F64x4& p, const F64x4& q, const F64x4& slope,
                                            const F64x4& position) {
    const F64x4 t = position < 0.0 ? position + 1.0 : (position > 1.0 ? position - 1.0 : position);
    const F64x4 rising = p + slope * t;
    const F64x4 falling = p + slope * (kTwoThirds - t);
    const F64x4 value = t < kOneSixth ? rising : (t < 0.5 ? q : (t < kTwoThirds ? falling : p));
    return __builtin_convertvector(value * 255.0, I32x4);
  }

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x4 pixels;
    simd::Load(pixels, in);
    const I32x4 red = (I32x4)((pixels >> 16) & 0xFFu);
    const I32x4 green = (I32x4)((pixels >> 8) & 0xFFu);
    const I32x4 blue = (I32x4)(pixels & 0xFFu);
    const I32x4 redGreenMax = red > green ? red : green;
    const I32x4 redGreenMin = red < green ? red : green;
    const I32x4 max = redGreenMax > blue ? redGreenMax : blue;
    const I32x4 min = redGreenMin < blue ? redGreenMin : blue;
    const I32x4 d = max - min;
    const F64x4 none = {};

    // RgbToHsl
    F64x4 hue;
    Hue(hue, red, green, blue, max, d);
    F64x4 sum;
    F64x4 difference;
    simd::ToDouble(sum, max + min);
    simd::ToDouble(difference, d);
    const F64x4 lightness = sum / 255.0 / 2.0;
    const F64x4 spread = difference / 255.0;
    const F64x4 denominator = lightness <= 0.5 ? 2.0 * lightness : 2.0 - 2.0 * lightness;
    const F64x4 saturation =
        __builtin_convertvector(d != I32x4{}, Mask) ? spread / denominator : none;

    // The offsets, then HslToRgb
    F64x4 h = hue + hueOffset;
    F64x4 s = saturation + saturationOffset;
    F64x4 l = lightness + lightnessOffset;
    Limit(h, kMaxHue);
    Limit(s, 1.0);
    Limit(l, 1.0);
    const F64x4 q = l < 0.5 ? (1.0 + s) * l : (l + s) - l * s;
    const F64x4 p = 2.0 * l - q;
    const F64x4 slope = (q - p) * 6.0;
    const F64x4 position = h / 360.0;
    const I32x4 grey = __builtin_convertvector(l * 255.0, I32x4);
    const I32x4 flat = __builtin_convertvector(s == 0.0, I32x4);
    const I32x4 r = flat ? grey : ChannelLanes(p, q, slope, position + kOneThird);
    const I32x4 g = flat ? grey : ChannelLanes(p, q, slope, position);
    const I32x4 b = flat ? grey : ChannelLanes(p, q, slope, position - kOneThird);
    const auto channel = [](const I32x4& value)
                             VANTORIA_KERNEL { return (simd::U32x4)value & 0xFFu; };
    simd::Store(out, (pixels & 0xFF000000u) | (channel(r) << 16) | (channel(g) << 8) | channel(b));
  }
};

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
  if (simd::UseAvx2()) {
    ForEachPixelBlock<4>(source, destination,
                         HslBlock{hueOffset, saturationOffset, lightnessOffset});
  } else {
    ForEachPixelBlock<1>(source, destination,
                         HslPixel{hueOffset, saturationOffset, lightnessOffset});
  }
  return 1;
}

}  // namespace vantoria
