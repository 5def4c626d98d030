// Red eye: with m = max(G, B), a pixel where R - m > 70 (red above both others by 71 or more)
// becomes opaque mid-grey 0xFF808080; any other pixel is copied, alpha included. Every pixel
// handed in is tested; there is no eye detection.

#include "imaging/colour_ops.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

struct RedEyeBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    using simd::I32x8;
    simd::U32x8 p;
    simd::Load(p, in);
    const I32x8 red = (I32x8)((p >> 16) & 0xFFu);
    const I32x8 green = (I32x8)((p >> 8) & 0xFFu);
    const I32x8 blue = (I32x8)(p & 0xFFu);
    const I32x8 strongest = green > blue ? green : blue;
    const simd::U32x8 replacement = simd::U32x8{} + 0xFF808080u;
    simd::Store(out, red - strongest > 70 ? replacement : p);
  }
};

}  // namespace

int RemoveRedEye(const PixelImage& source, PixelImage& destination) {
  ForEachPixelBlock<8>(source, destination, RedEyeBlock{});
  return 1;
}

}  // namespace vantoria
