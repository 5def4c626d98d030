// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Red eye: with m = max(G, B), a pixel where R - m > 70 (red above both others by 71 or more)
// becomes opaque mid-grey 0xFF808080; any other pixel is copied, alpha included. Every pixel
// handed in is tested; there is no eye detection.

#include <algorithm>
#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {

int RemoveRedEye(const PixelImage& source, PixelImage& destination) {
  constexpr Pixel kReplacement = 0xFF808080u;
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = in[j];
      out[j] = RedOf(p) - std::max(GreenOf(p), BlueOf(p)) > 70 ? kReplacement : p;
    }
  }
  return 1;
}

}  // namespace vantoria::reference
