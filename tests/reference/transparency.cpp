// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Alpha offset t: the whole source is copied as one block, then each alpha becomes
// clamp(A + t) to 0..255; red, green and blue stay as copied. t = -254 takes alpha 255 to 1.

#include <algorithm>
#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {

int AdjustTransparency(const PixelImage& source, PixelImage& destination, int alphaOffset) {
  static_cast<void>(CopyImagePixels(source, destination));
  // Past +-255 every alpha clamps alike; limiting t keeps A + t from overflowing.
  const int offset = std::clamp(alphaOffset, -255, 255);
  for (std::int32_t i = 0; i < destination.height; ++i) {
    Pixel* row = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = row[j];
      row[j] = (p & 0x00FFFFFFu) | (static_cast<Pixel>(Clamp255(AlphaOf(p) + offset)) << 24);
    }
  }
  return 1;
}

}  // namespace vantoria::reference
