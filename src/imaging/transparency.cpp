// Alpha offset t: each alpha becomes clamp(A + t) to 0..255; red, green and blue are copied.
// t = -254 takes alpha 255 to 1.

#include <algorithm>

#include "imaging/colour_ops.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

struct AlphaBlock {
  int offset;  // within -255..255, so A + t cannot overflow

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    using simd::I32x8;
    simd::U32x8 p;
    simd::Load(p, in);
    const I32x8 zero = {};
    I32x8 alpha = (I32x8)(p >> 24) + offset;
    alpha = alpha < zero ? zero : alpha;
    alpha = alpha > zero + 255 ? zero + 255 : alpha;
    simd::Store(out, (p & 0x00FFFFFFu) | ((simd::U32x8)alpha << 24));
  }
};

}  // namespace

int AdjustTransparency(const PixelImage& source, PixelImage& destination, int alphaOffset) {
  // Past +-255 every alpha clamps alike.
  ForEachPixelBlock<8>(source, destination, AlphaBlock{std::clamp(alphaOffset, -255, 255)});
  return 1;
}

}  // namespace vantoria
