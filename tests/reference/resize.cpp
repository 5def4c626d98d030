// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// ResizeImage(source, destination, W', H'):
//   sx = double(W') / double(W), sy = double(H') / double(H), each divided once;
//   destination pixel (i, j) = SampleBilinear(source, j / sx, i / sy)
// over the destination's own height and width. The grids meet at their top-left corners, and
// the index is divided by the ratio (never multiplied by a reciprocal), so a whole-factor
// reduction lands on exact source positions.
// A source with no pixels gives ratios of inf (or NaN for 0 / 0); the sampler answers white for
// every position of such a source, so the destination comes out opaque white.

#include <cstdint>

#include "reference/reference_ops.h"

namespace vantoria::reference {

int ResizeImage(const PixelImage& source, PixelImage& destination, std::int32_t width,
                std::int32_t height) {
  const double sx = static_cast<double>(width) / static_cast<double>(source.width);
  const double sy = static_cast<double>(height) / static_cast<double>(source.height);
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const double y = static_cast<double>(i) / sy;
    Pixel* row = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      row[j] = SampleBilinear(source, static_cast<double>(j) / sx, y);
    }
  }
  return 1;
}

}  // namespace vantoria::reference
