// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Threshold t: g = WeightedGrey(R, G, B); g > t gives opaque white 0xFFFFFFFF, otherwise
// opaque black 0xFF000000. The source alpha is discarded, so t = 255 makes everything black.

#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {

int Binarize(const PixelImage& source, PixelImage& destination, int threshold) {
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = in[j];
      out[j] =
          WeightedGrey(RedOf(p), GreenOf(p), BlueOf(p)) > threshold ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
  return 1;
}

}  // namespace vantoria::reference
