#include "imaging/halve.h"

#include <algorithm>

#include "imaging/parallel_rows.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

using U16x32 = std::uint16_t __attribute__((vector_size(64)));

// Four destination pixels from eight pixels of each of the two source rows: the rows summed
// in 16-bit lanes, then each even pixel's channels added to its odd neighbour's.
VANTORIA_INLINE void HalveBlock(const Pixel* top, const Pixel* bottom, Pixel* out) {
  simd::U8x32 upper;
  simd::U8x32 lower;
  simd::Load(upper, top);
  simd::Load(lower, bottom);
  const U16x32 rows =
      __builtin_convertvector(upper, U16x32) + __builtin_convertvector(lower, U16x32);
  const simd::U16x16 even =
      __builtin_shufflevector(rows, rows, 0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27);
  const simd::U16x16 odd = __builtin_shufflevector(rows, rows, 4, 5, 6, 7, 12, 13, 14, 15, 20, 21,
                                                   22, 23, 28, 29, 30, 31);
  const simd::U16x16 mean = (even + odd + 2) >> 2;
  simd::Store(out, __builtin_convertvector(mean, simd::U8x16));
}

VANTORIA_INLINE Pixel HalvePixel(Pixel a, Pixel b, Pixel c, Pixel d) {
  Pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const Pixel sum =
        (a >> shift & 0xFF) + (b >> shift & 0xFF) + (c >> shift & 0xFF) + (d >> shift & 0xFF) + 2;
    out |= (sum >> 2) << shift;
  }
  return out;
}

VANTORIA_INLINE void HalveRow(const Pixel* top, const Pixel* bottom, std::int32_t width,
                              Pixel* out) {
  const std::int32_t pairs = width / 2;  // destination pixels with two source columns
  std::int32_t x = 0;
  for (; x + 4 <= pairs; x += 4) {
    HalveBlock(top + 2 * x, bottom + 2 * x, out + x);
  }
  for (; x < pairs; ++x) {
    out[x] = HalvePixel(top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]);
  }
  if (width % 2 != 0) {
    out[pairs] = HalvePixel(top[width - 1], top[width - 1], bottom[width - 1], bottom[width - 1]);
  }
}

}  // namespace

void HalvePixels(const Pixel* source, std::ptrdiff_t sourceStride, std::int32_t width,
                 std::int32_t height, Pixel* destination, std::ptrdiff_t destinationStride) {
  if (width <= 0 || height <= 0) {
    return;
  }
  const std::int32_t rows = HalvedLength(height);
  ParallelRows(rows, static_cast<std::size_t>(width) * 2,
               [&](std::int32_t first, std::int32_t end) {
                 simd::RunVectorised([&]() VANTORIA_KERNEL {
                   for (std::int32_t i = first; i < end; ++i) {
                     const Pixel* top = source + 2 * i * sourceStride;
                     const Pixel* bottom = source + std::min(2 * i + 1, height - 1) * sourceStride;
                     HalveRow(top, bottom, width, destination + i * destinationStride);
                   }
                 });
               });
}

}  // namespace vantoria
