#pragma once

// Shared pieces of the 3 x 3 neighbourhood filters: interior rows split across threads, and
// four pixels held as sixteen 16-bit lanes (blue, green, red, alpha of each) so that window
// sums cannot overflow.

#include <cstddef>
#include <cstdint>

#include "core/pixel_image.h"
#include "imaging/parallel_rows.h"
#include "imaging/simd.h"

namespace vantoria {

// Runs band(first, end) over the rows with a full window, 1..H-2, split across threads.
// Images narrower or lower than 3 have none.
template <typename Band>
void ForEachInteriorBand(const PixelImage& source, const Band& band) {
  if (source.height < 3 || source.width < 3) {
    return;
  }
  ParallelRows(source.height - 2, static_cast<std::size_t>(source.width),
               [&](std::int32_t first, std::int32_t end) { band(first + 1, end + 1); });
}

// Calls block(j) for blocks of kLanes columns j..j+kLanes-1 covering begin..end-1; the last
// block is moved left to end at end - 1, so some columns are worked out twice (to the same
// values). Needs end - begin >= kLanes.
template <int kLanes, typename Block>
VANTORIA_INLINE void ForEachBlockBetween(int begin, int end, const Block& block) {
  const int last = end - kLanes;
  for (int j = begin; j < last; j += kLanes) {
    block(j);
  }
  block(last);
}

VANTORIA_INLINE void LoadWide(simd::I16x16& lanes, const Pixel* from) {
  simd::U8x16 bytes;
  simd::Load(bytes, from);
  lanes = __builtin_convertvector(bytes, simd::I16x16);
}

// Lanes must hold 0..255.
VANTORIA_INLINE void StoreNarrow(Pixel* to, const simd::I16x16& lanes) {
  simd::Store(to, __builtin_convertvector(lanes, simd::U8x16));
}

// The alpha lanes take the values of `centre`'s.
VANTORIA_INLINE void KeepAlpha(simd::I16x16& lanes, const simd::I16x16& centre) {
  const simd::I16x16 alphaLane = {0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1};
  lanes = alphaLane ? centre : lanes;
}

VANTORIA_INLINE void Clamp255Lanes(simd::I16x16& lanes) {
  const simd::I16x16 zero = {};
  lanes = lanes < zero ? zero : lanes;
  lanes = lanes > zero + 255 ? zero + 255 : lanes;
}

// (v * multiplier) >> shift on each lane, worked in 32 bits; the result must fit 16 bits.
VANTORIA_INLINE void MultiplyShift(simd::I16x16& lanes, std::int32_t multiplier, int shift) {
  using simd::I16x8;
  using simd::I32x8;
  const I32x8 low =
      __builtin_convertvector(__builtin_shufflevector(lanes, lanes, 0, 1, 2, 3, 4, 5, 6, 7), I32x8);
  const I32x8 high = __builtin_convertvector(
      __builtin_shufflevector(lanes, lanes, 8, 9, 10, 11, 12, 13, 14, 15), I32x8);
  const I16x8 lowResult = __builtin_convertvector((low * multiplier) >> shift, I16x8);
  const I16x8 highResult = __builtin_convertvector((high * multiplier) >> shift, I16x8);
  lanes = __builtin_shufflevector(lowResult, highResult, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                  13, 14, 15);
}

// Exhaustive check, at compile time, that (v * multiplier) >> shift equals v / divisor for
// every v in 0..limit.
constexpr bool DivisionByMultiplyIsExact(int divisor, std::int32_t multiplier, int shift,
                                         int limit) {
  for (std::int32_t v = 0; v <= limit; ++v) {
    if ((v * multiplier) >> shift != v / divisor) {
      return false;
    }
  }
  return true;
}

// Column sums of three rows for columns 0..width-1, each channel weighted 1, kMiddle, 1 from
// the top, as 16-bit lanes: sums[4 * j + c] for channel c of column j. Needs width >= 4.
template <int kMiddle>
VANTORIA_INLINE void ColumnSums(const Pixel* above, const Pixel* row, const Pixel* below, int width,
                                std::int16_t* sums) {
  const auto sumBlock = [&](int j) VANTORIA_KERNEL {
    simd::I16x16 top;
    simd::I16x16 middle;
    simd::I16x16 bottom;
    LoadWide(top, above + j);
    LoadWide(middle, row + j);
    LoadWide(bottom, below + j);
    simd::Store(sums + 4 * j, top + middle * static_cast<std::int16_t>(kMiddle) + bottom);
  };
  ForEachBlockBetween<4>(0, width, sumBlock);
}

}  // namespace vantoria
