#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/parallel_rows.h"
#include "imaging/reduce_ops.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

using U16x4 = std::uint16_t __attribute__((vector_size(8)));
using U16x8 = std::uint16_t __attribute__((vector_size(16)));
using U8x8 = std::uint8_t __attribute__((vector_size(8)));

// Along one axis, for each destination pixel: its first source pixel and `count` weights, which
// add up to 256. Every pixel has the same count (zeros pad the shorter spans), so the loops
// over them have a fixed length.
struct AxisTaps {
  std::size_t count = 0;
  std::vector<std::int32_t> first;
  std::vector<std::uint16_t> weights;  // count per destination pixel
};

AxisTaps Taps(std::int64_t source, std::int64_t target) {
  AxisTaps taps;
  taps.count = static_cast<std::size_t>(std::min(source, (source + target - 1) / target + 1));
  const auto count = static_cast<std::int64_t>(taps.count);
  for (std::int64_t o = 0; o < target; ++o) {
    // Source edge p in 256ths of destination pixel o, rounded half up; before the pixel it is
    // 0, past it 256, so each pixel's weights add up to 256.
    const auto edge = [&](std::int64_t p) {
      return std::clamp<std::int64_t>((512 * (p * target - o * source) + source) / (2 * source), 0,
                                      256);
    };
    const std::int64_t first = std::min(o * source / target, source - count);
    taps.first.push_back(static_cast<std::int32_t>(first));
    for (std::int64_t j = first; j < first + count; ++j) {
      taps.weights.push_back(static_cast<std::uint16_t>(edge(j + 1) - edge(j)));
    }
  }
  return taps;
}

// sums = the weighted sum of the source rows, per byte (at most 256 x 255).
VANTORIA_INLINE void SumRows(const Pixel* source, std::ptrdiff_t stride, std::int32_t first,
                             const std::uint16_t* weights, std::size_t count, std::size_t bytes,
                             std::uint16_t* sums) {
  std::fill(sums, sums + bytes, std::uint16_t{0});
  for (std::size_t k = 0; k < count; ++k) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(
        source + (first + static_cast<std::ptrdiff_t>(k)) * stride);
    const std::uint16_t weight = weights[k];
    if (weight == 0) {
      continue;  // a padding tap
    }
    std::size_t b = 0;
    for (; b + 16 <= bytes; b += 16) {
      simd::U8x16 in;
      simd::U16x16 sum;
      simd::Load(in, row + b);
      simd::Load(sum, sums + b);
      simd::Store(sums + b, sum + __builtin_convertvector(in, simd::U16x16) * weight);
    }
    for (; b < bytes; ++b) {
      sums[b] = static_cast<std::uint16_t>(sums[b] + row[b] * weight);
    }
  }
}

// One destination row from the summed rows: the columns weighed, then divided by 65536.
// Two destination pixels at a time, one in each half of the vector.
template <std::size_t kTaps>
VANTORIA_INLINE void SumColumns(const std::uint16_t* sums, const AxisTaps& columns,
                                std::int32_t targetWidth, Pixel* out) {
  const std::size_t taps = kTaps != 0 ? kTaps : columns.count;
  const std::uint16_t* weights = columns.weights.data();
  for (std::int32_t x = 0; x < targetWidth; x += 2, weights += 2 * taps) {
    const std::int32_t next = std::min(x + 1, targetWidth - 1);  // itself again at an odd end
    const std::uint16_t* left = sums + static_cast<std::size_t>(columns.first[x]) * 4;
    const std::uint16_t* right = sums + static_cast<std::size_t>(columns.first[next]) * 4;
    const std::uint16_t* rightWeights = weights + (next - x) * static_cast<std::ptrdiff_t>(taps);
    simd::U32x8 total = {32768, 32768, 32768, 32768, 32768, 32768, 32768, 32768};
#pragma GCC unroll 4
    for (std::size_t k = 0; k < taps; ++k) {
      U16x4 a;
      U16x4 b;
      simd::Load(a, left + 4 * k);
      simd::Load(b, right + 4 * k);
      const U16x8 both = __builtin_shufflevector(a, b, 0, 1, 2, 3, 4, 5, 6, 7);
      const std::uint32_t wa = weights[k];
      const std::uint32_t wb = rightWeights[k];
      total +=
          __builtin_convertvector(both, simd::U32x8) * simd::U32x8{wa, wa, wa, wa, wb, wb, wb, wb};
    }
    // The low byte of each lane: one byte shuffle rather than extractions.
    const auto lanes = reinterpret_cast<simd::U8x32>(total >> 16);
    const U8x8 pixels = __builtin_shufflevector(lanes, lanes, 0, 4, 8, 12, 16, 20, 24, 28);
    if (next > x) {
      simd::Store(out + x, pixels);
    } else {
      std::memcpy(out + x, &pixels, sizeof(Pixel));
    }
  }
}

// The spans of a reduction by less than three have at most four pixels: fixed loops for those.
VANTORIA_INLINE void SumColumnsAnyCount(const std::uint16_t* sums, const AxisTaps& columns,
                                        std::int32_t targetWidth, Pixel* out) {
  switch (columns.count) {
    case 2:
      return SumColumns<2>(sums, columns, targetWidth, out);
    case 3:
      return SumColumns<3>(sums, columns, targetWidth, out);
    case 4:
      return SumColumns<4>(sums, columns, targetWidth, out);
    default:
      return SumColumns<0>(sums, columns, targetWidth, out);
  }
}

}  // namespace

void AverageAreas(const Pixel* source, std::ptrdiff_t sourceStride, std::int32_t width,
                  std::int32_t height, Pixel* destination, std::ptrdiff_t destinationStride,
                  std::int32_t targetWidth, std::int32_t targetHeight) {
  if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0) {
    return;
  }
  const AxisTaps rows = Taps(height, targetHeight);
  const AxisTaps columns = Taps(width, targetWidth);
  const std::size_t bytes = static_cast<std::size_t>(width) * 4;
  const std::size_t work = static_cast<std::size_t>(width) * height / targetHeight + targetWidth;
  ParallelRows(targetHeight, work, [&](std::int32_t first, std::int32_t end) {
    std::vector<std::uint16_t> sums(bytes);
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      for (std::int32_t y = first; y < end; ++y) {
        SumRows(source, sourceStride, rows.first[y], rows.weights.data() + y * rows.count,
                rows.count, bytes, sums.data());
        SumColumnsAnyCount(sums.data(), columns, targetWidth, destination + y * destinationStride);
      }
    });
  });
}

}  // namespace vantoria
