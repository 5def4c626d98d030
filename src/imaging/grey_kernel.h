#pragma once

#include "imaging/simd.h"

namespace vantoria {

// WeightedGrey of eight pixels at once: the same products and sums in double, in the same
// order, each truncated toward zero.
VANTORIA_INLINE void WeightedGrey8(simd::I32x8& grey, const simd::U32x8& pixels) {
  using simd::F64x4;
  F64x4 redLow, redHigh, greenLow, greenHigh, blueLow, blueHigh;
  simd::ToDoubles(redLow, redHigh, (simd::I32x8)((pixels >> 16) & 0xFFu));
  simd::ToDoubles(greenLow, greenHigh, (simd::I32x8)((pixels >> 8) & 0xFFu));
  simd::ToDoubles(blueLow, blueHigh, (simd::I32x8)(pixels & 0xFFu));
  simd::Truncate(grey, (redLow * 0.299 + greenLow * 0.587) + blueLow * 0.114,
                 (redHigh * 0.299 + greenHigh * 0.587) + blueHigh * 0.114);
}

}  // namespace vantoria
