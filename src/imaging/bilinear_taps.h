#pragma once

// SampleBilinear taken apart for the resize and the rotation, which sample many positions:
// a position is split once per column or row into a Tap, and SampleTaps gives exactly
// SampleBilinear's pixel for the pair. BlendLanes is BlendPixels on all four channels at once.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/pixel_image.h"
#include "imaging/geometry_ops.h"
#include "imaging/simd.h"

namespace vantoria {

inline constexpr Pixel kSampleWhite = 0xFFFFFFFFu;

// One coordinate of a sample position against one side of the source.
struct Tap {
  std::int32_t index = 0;  // floor of the position, -1..size-1 unless outside
  std::int32_t near = 0;   // the index, or 0 for -1: the row or column a band outside repeats
  double fraction = 0.0;   // position - floor
  bool outside = true;     // more than a pixel outside (or NaN, or an empty source)
  bool edge = false;       // index -1 or size - 1: in the band along an edge
  bool exact = false;      // fraction below 0.001f
};

inline Tap MakeTap(double position, std::int32_t size) {
  constexpr double kExactLimit = static_cast<double>(0.001f);
  Tap tap;
  const double floorValue = std::floor(position);
  if (size <= 0 || !(floorValue >= -1.0 && floorValue <= static_cast<double>(size) - 1.0)) {
    return tap;
  }
  tap.outside = false;
  tap.index = static_cast<std::int32_t>(floorValue);
  tap.near = tap.index < 0 ? 0 : tap.index;
  tap.fraction = position - floorValue;
  tap.exact = tap.fraction < kExactLimit;
  tap.edge = tap.index == -1 || tap.index == size - 1;
  return tap;
}

inline Pixel Between(Pixel near, Pixel far, double fraction) {
  return BlendPixels(near, 1.0 - fraction, far, fraction);
}

// SampleBilinear(source, x, y) for the position whose column is split into `x`, row into `y`.
inline Pixel SampleTaps(const PixelImage& source, const Tap& x, const Tap& y) {
  if (x.outside || y.outside) {
    return kSampleWhite;
  }
  if (x.exact && y.exact && x.index >= 0 && y.index >= 0) {
    return source.rows[y.index][x.index];
  }
  if (x.edge && y.edge) {
    return source.rows[y.near][x.near];
  }
  if (y.edge) {
    const Pixel* row = source.rows[y.near];
    return Between(row[x.index], row[x.index + 1], x.fraction);
  }
  if (x.edge) {
    return Between(source.rows[y.index][x.near], source.rows[y.index + 1][x.near], y.fraction);
  }
  const Pixel* upper = source.rows[y.index];
  const Pixel* lower = source.rows[y.index + 1];
  return Between(Between(upper[x.index], upper[x.index + 1], x.fraction),
                 Between(lower[x.index], lower[x.index + 1], x.fraction), y.fraction);
}

// The four channels of a pixel as doubles, in memory order (blue first). Written as byte
// shuffles, which compile to one or two instructions where a direct conversion would not.
VANTORIA_INLINE void ChannelsOf(simd::F64x4& channels, Pixel pixel) {
  // Built from a register, not through memory: a narrow store read back wide stalls.
  const auto bytes = (simd::U8x16)simd::U32x4{pixel, 0, 0, 0};
  const simd::U16x16 words = __builtin_convertvector(bytes, simd::U16x16);
  const auto lanes =
      __builtin_convertvector(__builtin_shufflevector(words, words, 0, 1, 2, 3), simd::I32x4);
  simd::ToDouble(channels, lanes);
}

// The channels of two neighbouring pixels.
VANTORIA_INLINE void ChannelsOfPair(simd::F64x4& near, simd::F64x4& far, const Pixel* pair) {
  std::uint64_t both;
  std::memcpy(&both, pair, sizeof both);
  const auto bytes = (simd::U8x16)simd::U64x2{both, 0};
  const simd::U16x16 words = __builtin_convertvector(bytes, simd::U16x16);
  const simd::I32x8 lanes = __builtin_convertvector(
      __builtin_shufflevector(words, words, 0, 1, 2, 3, 4, 5, 6, 7), simd::I32x8);
  simd::ToDoubles(near, far, lanes);
}

// trunc(near * nearWeight + far * farWeight) on each channel: BlendPixels' products and sum.
VANTORIA_INLINE simd::I32x4 BlendChannels(const simd::F64x4& near, const simd::F64x4& nearWeight,
                                          const simd::F64x4& far, const simd::F64x4& farWeight) {
  return __builtin_convertvector(near * nearWeight + far * farWeight, simd::I32x4);
}

// Channels already truncated, each 0..255, back into a pixel: the low byte of each lane.
VANTORIA_INLINE Pixel PixelOf(const simd::I32x4& channels) {
  const auto bytes = (simd::U8x16)channels;
  const simd::U8x4 packed = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12);
  Pixel pixel;
  std::memcpy(&pixel, &packed, sizeof pixel);
  return pixel;
}

}  // namespace vantoria
