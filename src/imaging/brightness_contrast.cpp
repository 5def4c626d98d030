// Brightness, then contrast, on each colour channel v separately:
//   x = v + b                        (not clamped)
//   y = x + trunc(k * (x - 128))     product in double, truncated toward zero
//   channel = clamp(y) to 0..255;    alpha is copied.
// One clamp at the end: with k = -1 every channel lands on 128 whatever b is.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "imaging/colour_ops.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

// For offsets and factors this size every intermediate fits a 32-bit lane: |x - 128| < 2^17,
// |k * (x - 128)| < 2^29. The dialog's -254..254 and -1..1 lie far inside.
constexpr int kLaneBrightnessLimit = 1 << 16;
constexpr double kLaneContrastLimit = 4096.0;

// Truncation toward zero that cannot overflow for factors far outside the dialog's -1..1.
// A factor that is not a number leaves the contrast step out.
std::int64_t TruncateSaturated(double value) {
  constexpr double kLimit = 1e18;
  if (std::isnan(value)) {
    return 0;
  }
  return static_cast<std::int64_t>(std::clamp(value, -kLimit, kLimit));
}

// Any offset and factor: the 256 outcomes are worked out once.
struct TableBlock {
  std::array<std::uint8_t, 256> table;

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    const Pixel p = *in;
    *out = (p & 0xFF000000u) | (Pixel{table[(p >> 16) & 0xFFu]} << 16) |
           (Pixel{table[(p >> 8) & 0xFFu]} << 8) | table[p & 0xFFu];
  }
};

TableBlock BuildTable(int brightness, double contrast) {
  TableBlock block{};
  for (int v = 0; v < 256; ++v) {
    // 64 bits so that any int offset is added without overflow.
    const std::int64_t x = std::int64_t{v} + brightness;
    const std::int64_t y = x + TruncateSaturated(contrast * static_cast<double>(x - 128));
    block.table[v] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(y, 0, 255));
  }
  return block;
}

// The formula itself, eight pixels a lane each: the same double product, truncated the same
// way, as long as the bounds above hold.
struct FormulaBlock {
  int shift;  // b - 128, so that value + shift = x - 128
  double contrast;

  VANTORIA_INLINE void Channel(simd::U32x8& result, const simd::U32x8& pixels, int position) const {
    using simd::I32x8;
    const I32x8 zero = {};
    const I32x8 centred = (I32x8)((pixels >> position) & 0xFFu) + shift;
    simd::F64x4 low;
    simd::F64x4 high;
    simd::ToDoubles(low, high, centred);
    I32x8 step;
    simd::Truncate(step, low * contrast, high * contrast);
    const I32x8 y = centred + 128 + step;
    const I32x8 clamped = y < zero ? zero : (y > zero + 255 ? zero + 255 : y);
    result |= (simd::U32x8)clamped << position;
  }

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    simd::U32x8 result = p & 0xFF000000u;
    Channel(result, p, 16);
    Channel(result, p, 8);
    Channel(result, p, 0);
    simd::Store(out, result);
  }
};

}  // namespace

int AdjustBrightnessContrast(const PixelImage& source, PixelImage& destination, int brightness,
                             double contrast) {
  if (simd::UseAvx2() && brightness >= -kLaneBrightnessLimit &&
      brightness <= kLaneBrightnessLimit && std::fabs(contrast) <= kLaneContrastLimit) {
    ForEachPixelBlock<8>(source, destination, FormulaBlock{brightness - 128, contrast});
  } else {
    ForEachPixelBlock<1>(source, destination, BuildTable(brightness, contrast));
  }
  return 1;
}

}  // namespace vantoria
