// MirrorHorizontal: destination (i, j) = source (i, W - 1 - j).
// MirrorVertical:   destination (i, j) = source (H - 1 - i, j).
// The destination has the source's size (the caller's duty); every pixel is written, alpha
// travelling with its pixel.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imaging/geometry_ops.h"
#include "imaging/parallel_rows.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

VANTORIA_INLINE void ReverseRow(const Pixel* from, Pixel* to, std::size_t width) {
  std::size_t j = 0;
  for (; j + 8 <= width; j += 8) {
    simd::U32x8 block;
    simd::Load(block, from + width - 8 - j);
    simd::Store(to + j, __builtin_shufflevector(block, block, 7, 6, 5, 4, 3, 2, 1, 0));
  }
  std::reverse_copy(from, from + width - j, to + j);
}

}  // namespace

int MirrorHorizontal(const PixelImage& source, PixelImage& destination) {
  const auto width = static_cast<std::size_t>(std::max(source.width, 0));
  const bool lanes = simd::UseAvx2();
  ParallelRows(source.height, width, [&](std::int32_t first, std::int32_t end) {
    if (!lanes) {
      for (std::int32_t i = first; i < end; ++i) {
        std::reverse_copy(source.rows[i], source.rows[i] + width, destination.rows[i]);
      }
      return;
    }
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      for (std::int32_t i = first; i < end; ++i) {
        ReverseRow(source.rows[i], destination.rows[i], width);
      }
    });
  });
  return 1;
}

int MirrorVertical(const PixelImage& source, PixelImage& destination) {
  const auto width = static_cast<std::size_t>(std::max(source.width, 0));
  ParallelRows(source.height, width, [&](std::int32_t first, std::int32_t end) {
    for (std::int32_t i = first; i < end; ++i) {
      const Pixel* from = source.rows[source.height - 1 - i];
      std::copy(from, from + width, destination.rows[i]);
    }
  });
  return 1;
}

}  // namespace vantoria
