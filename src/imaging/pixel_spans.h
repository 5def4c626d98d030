#pragma once

// Shared driver for the per-pixel operations: rows split across threads, each band run in the
// active vector build, every pixel handled by the same vector code (a short tail is padded).

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/pixel_image.h"
#include "imaging/parallel_rows.h"
#include "imaging/simd.h"

namespace vantoria {

// Calls block(in, out) on each run of kLanes pixels; a shorter tail is copied into zeroed
// scratch first and only its own results are written back.
template <std::size_t kLanes, typename Block>
VANTORIA_INLINE void ForEachBlock(const Pixel* in, Pixel* out, std::size_t count,
                                  const Block& block) {
  std::size_t j = 0;
  for (; j + kLanes <= count; j += kLanes) {
    block(in + j, out + j);
  }
  if (j < count) {
    Pixel inTail[kLanes] = {};
    Pixel outTail[kLanes];
    std::memcpy(inTail, in + j, (count - j) * sizeof(Pixel));
    block(inTail, outTail);
    std::memcpy(out + j, outTail, (count - j) * sizeof(Pixel));
  }
}

// Runs block(in, out), a functor whose call operator is VANTORIA_INLINE and which reads kLanes
// pixels and writes kLanes pixels, over every destination pixel and the source pixel at the
// same place. Source and destination may be the same image.
template <std::size_t kLanes, typename Block>
void ForEachPixelBlock(const PixelImage& source, PixelImage& destination, const Block& block) {
  const std::int32_t width = destination.width;
  if (width <= 0) {
    return;
  }
  const auto rowLength = static_cast<std::size_t>(width);
  // Rows lie back to back, so a band of rows is one run when both images are equally wide.
  const bool contiguous = source.width == width;
  ParallelRows(destination.height, rowLength, [&](std::int32_t first, std::int32_t end) {
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      if (contiguous) {
        ForEachBlock<kLanes>(source.rows[first], destination.rows[first],
                             static_cast<std::size_t>(end - first) * rowLength, block);
        return;
      }
      for (std::int32_t i = first; i < end; ++i) {
        ForEachBlock<kLanes>(source.rows[i], destination.rows[i], rowLength, block);
      }
    });
  });
}

}  // namespace vantoria
