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
#include <memory>

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

// L from max + min, as RgbToHsl gives it.
double LightnessOf(int sum) {
  return sum / 255.0 / 2.0;
}

// The spread d / 255.0, for d = max - min other than 0.
double SpreadOf(int d) {
  return d / 255.0;
}

// S from the spread and L, as RgbToHsl gives it.
double SaturationOf(double spread, double lightness) {
  return lightness <= 0.5 ? spread / (2.0 * lightness) : spread / (2.0 - 2.0 * lightness);
}

// The bottom (p) and top (q) of the hue ramp.
struct RampEnds {
  double p;
  double q;
};

RampEnds RampOf(double saturation, double lightness) {
  const double q = lightness < 0.5 ? (1.0 + saturation) * lightness
                                   : (lightness + saturation) - lightness * saturation;
  return {2.0 * lightness - q, q};
}

// S and L depend only on a pixel's largest and smallest channel, so one call's adjusted ramps
// are worked out once for each pair: indexed by max * 256 + min, min > max never read.
using RampTable = std::unique_ptr<RampEnds[]>;

RampTable BuildRampTable(double saturationOffset, double lightnessOffset) {
  RampTable table = std::make_unique_for_overwrite<RampEnds[]>(256 * 256);
  // The divisions shared along rows and columns are done once.
  double lightnessBySum[511];
  for (int sum = 0; sum < 511; ++sum) {
    lightnessBySum[sum] = LightnessOf(sum);
  }
  double spreadByD[256];
  for (int d = 1; d < 256; ++d) {
    spreadByD[d] = SpreadOf(d);
  }
  for (int max = 0; max < 256; ++max) {
    for (int min = 0; min <= max; ++min) {
      const int d = max - min;
      const double lightness = lightnessBySum[max + min];
      const double saturation =
          Limit((d == 0 ? 0.0 : SaturationOf(spreadByD[d], lightness)) + saturationOffset, 1.0);
      // S = 0 gives q = p = L exactly, a flat ramp: every position then gives p + 0, q or p,
      // all L, so each channel is the grey trunc(L * 255.0) that HslToRgb gives.
      table[max * 256 + min] = RampOf(saturation, Limit(lightness + lightnessOffset, 1.0));
    }
  }
  return table;
}

// The adjustment for eight pixels: integer steps a lane each, the doubles four lanes at a
// time. Each step above becomes a choice between values worked out exactly as there, so every
// lane ends with the same doubles. Built for both vector levels.
struct HslBlock {
  double hueOffset;
  const RampEnds* ramps;

  using F64x2 = double __attribute__((vector_size(16)));
  using F64x4 = simd::F64x4;
  using I32x8 = simd::I32x8;
  using U32x8 = simd::U32x8;

  // value * 255.0 from ChannelFromPosition, for t already within 0..1 (or not a number, which
  // gives p). With nearer = min(t, 2/3 - t) (the difference exact there): t on the rise, 2/3 - t
  // on the fall, at least 1/6 just where t is in 1/6..0.5 (2/3 - t is then at least 1/6 +
  // 2^-55, on the fall at most 1/6 - 2^-55), and at most 0 where the value is p, which p +
  // slope * 0 gives as slope is finite.
  static VANTORIA_INLINE void Channel(F64x4& scaled, const F64x4& p, const F64x4& q,
                                      const F64x4& slope, const F64x4& t) {
    const F64x4 zero = {};
    const F64x4 falling = kTwoThirds - t;
    const F64x4 nearer = t < falling ? t : falling;
    const F64x4 run = nearer > zero ? nearer : zero;
    const F64x4 value = nearer >= kOneSixth ? q : p + slope * run;
    scaled = value * 255.0;
  }

  // Four lanes, from RgbToHsl's hue parts and the byte offsets of their ramps in the table, to
  // the three channel values times 255.
  VANTORIA_INLINE void Lanes(F64x4 (&scaled)[3], const F64x4& top, const F64x4& bottom,
                             const F64x4& degrees, const std::uint32_t* offsets) const {
    const F64x4 hue = top * 60.0 / bottom + degrees;  // the product is exact, as in integers
    const F64x4 zero = {};
    const F64x4 high = zero + kMaxHue;
    const F64x4 h = hue + hueOffset;
    const F64x4 low = zero > h ? zero : h;
    const F64x4 position = (high < low ? high : low) / 360.0;

    const auto* bytes = reinterpret_cast<const char*>(ramps);
    F64x2 ends[4];
    for (int k = 0; k < 4; ++k) {
      simd::Load(ends[k], bytes + offsets[k]);
    }
    const F64x4 even = __builtin_shufflevector(ends[0], ends[2], 0, 1, 2, 3);
    const F64x4 odd = __builtin_shufflevector(ends[1], ends[3], 0, 1, 2, 3);
    const F64x4 p = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
    const F64x4 q = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
    const F64x4 slope = (q - p) * 6.0;

    // position lies in 0..359.999 / 360, so only one wrap can apply to each channel.
    const F64x4 redAt = position + kOneThird;
    const F64x4 blueAt = position - kOneThird;
    Channel(scaled[0], p, q, slope, redAt > 1.0 ? redAt - 1.0 : redAt);
    Channel(scaled[1], p, q, slope, position);
    Channel(scaled[2], p, q, slope, blueAt < 0.0 ? blueAt + 1.0 : blueAt);
  }

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    U32x8 pixels;
    simd::Load(pixels, in);
    const I32x8 red = (I32x8)((pixels >> 16) & 0xFFu);
    const I32x8 green = (I32x8)((pixels >> 8) & 0xFFu);
    const I32x8 blue = (I32x8)(pixels & 0xFFu);
    const I32x8 redGreenMax = red > green ? red : green;
    const I32x8 redGreenMin = red < green ? red : green;
    const I32x8 max = redGreenMax > blue ? redGreenMax : blue;
    const I32x8 min = redGreenMin < blue ? redGreenMin : blue;
    const I32x8 d = max - min;

    // RgbToHsl's hue as quotient + whole degrees: 0 (or 360 below zero) where red is largest,
    // 120 where green, 240 where blue; quotient + 0.0 is the quotient, never -0.0. Grey lanes
    // divide 0 by 1.
    const I32x8 none = {};
    const I32x8 redMax = red == max;
    const I32x8 greenMax = green == max;
    const I32x8 first = redMax ? green : (greenMax ? blue : red);
    const I32x8 second = redMax ? blue : (greenMax ? red : green);
    const I32x8 difference = first - second;
    const I32x8 whole = redMax ? (difference < 0) & 360 : (greenMax ? none + 120 : none + 240);
    F64x4 top[2];
    F64x4 bottom[2];
    F64x4 degrees[2];
    simd::ToDoubles(top[0], top[1], difference);
    simd::ToDoubles(bottom[0], bottom[1], d > 1 ? d : none + 1);
    simd::ToDoubles(degrees[0], degrees[1], whole);

    std::uint32_t offsets[8];
    simd::Store(offsets, (U32x8)((max << 8) | min) * std::uint32_t{sizeof(RampEnds)});
    F64x4 low[3];
    F64x4 high[3];
    Lanes(low, top[0], bottom[0], degrees[0], offsets);
    Lanes(high, top[1], bottom[1], degrees[1], offsets + 4);
    I32x8 r;
    I32x8 g;
    I32x8 b;
    simd::Truncate(r, low[0], high[0]);
    simd::Truncate(g, low[1], high[1]);
    simd::Truncate(b, low[2], high[2]);
    simd::Store(out, (pixels & 0xFF000000u) | (((U32x8)r & 0xFFu) << 16) |
                         (((U32x8)g & 0xFFu) << 8) | ((U32x8)b & 0xFFu));
  }
};

}  // namespace

Hsl RgbToHsl(int red, int green, int blue) {
  const int max = std::max({red, green, blue});
  const int min = std::min({red, green, blue});
  const int d = max - min;
  Hsl hsl;
  hsl.lightness = LightnessOf(max + min);
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
    hsl.saturation = SaturationOf(SpreadOf(d), hsl.lightness);
  }
  return hsl;
}

Rgb HslToRgb(double hue, double saturation, double lightness) {
  if (saturation == 0.0) {
    const int grey = static_cast<int>(lightness * 255.0);
    return {grey, grey, grey};
  }
  const auto [p, q] = RampOf(saturation, lightness);
  const double h = hue / 360.0;
  return {ChannelFromPosition(p, q, WrapPosition(h + kOneThird)),
          ChannelFromPosition(p, q, WrapPosition(h)),
          ChannelFromPosition(p, q, WrapPosition(h - kOneThird))};
}

int AdjustHueSaturationLightness(const PixelImage& source, PixelImage& destination,
                                 double hueOffset, double saturationOffset,
                                 double lightnessOffset) {
  const RampTable ramps = BuildRampTable(saturationOffset, lightnessOffset);
  ForEachPixelBlock<8>(source, destination, HslBlock{hueOffset, ramps.get()});
  return 1;
}

}  // namespace vantoria
