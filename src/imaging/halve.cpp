#include "imaging/reduce_ops.h"

#include <algorithm>

#include "imaging/parallel_rows.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

using U64x4 = std::uint64_t __attribute__((vector_size(32)));

// Four destination pixels from eight pixels of each of the two source rows, two pixels to a
// 64-bit lane. The even and odd bytes are summed apart in 16-bit fields (at most 4 x 255 + 2),
// the lane's two pixels folded into its low half, and the fields divided by four in place:
// what a field shifts into its lower neighbour is masked off.
VANTORIA_INLINE void HalveBlock(const Pixel* top, const Pixel* bottom, Pixel* out) {
  constexpr std::uint64_t kFields = 0x00FF00FF00FF00FFu;
  U64x4 upper;
  U64x4 lower;
  simd::Load(upper, top);
  simd::Load(lower, bottom);
  U64x4 even = (upper & kFields) + (lower & kFields);
  U64x4 odd = ((upper >> 8) & kFields) + ((lower >> 8) & kFields);
  even += even >> 32;
  odd += odd >> 32;
  const U64x4 mean = (((even + 0x00020002u) >> 2) & 0x00FF00FFu) |
                     ((((odd + 0x00020002u) >> 2) & 0x00FF00FFu) << 8);
  simd::Store(out, __builtin_convertvector(mean, simd::U32x4));
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
