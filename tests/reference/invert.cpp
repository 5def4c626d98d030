// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Invert: result = source XOR 0x00FFFFFF, so each colour channel becomes 255 - itself and
// alpha is kept. Applying it twice restores the image.

#include <cstdint>

#include "reference/reference_ops.h"

namespace vantoria::reference {

int InvertColors(const PixelImage& source, PixelImage& destination) {
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      out[j] = in[j] ^ 0x00FFFFFFu;
    }
  }
  return 1;
}

}  // namespace vantoria::reference
