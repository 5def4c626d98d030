// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// MirrorHorizontal: destination (i, j) = source (i, W - 1 - j).
// MirrorVertical:   destination (i, j) = source (H - 1 - i, j).
// The destination has the source's size (the caller's duty); every pixel is written, alpha
// travelling with its pixel.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "reference/reference_ops.h"

namespace vantoria::reference {

int MirrorHorizontal(const PixelImage& source, PixelImage& destination) {
  const auto width = static_cast<std::size_t>(source.width);
  for (std::int32_t i = 0; i < source.height; ++i) {
    const Pixel* from = source.rows[i];
    std::reverse_copy(from, from + width, destination.rows[i]);
  }
  return 1;
}

int MirrorVertical(const PixelImage& source, PixelImage& destination) {
  const auto width = static_cast<std::size_t>(source.width);
  for (std::int32_t i = 0; i < source.height; ++i) {
    const Pixel* from = source.rows[source.height - 1 - i];
    std::copy(from, from + width, destination.rows[i]);
  }
  return 1;
}

}  // namespace vantoria::reference
