// Invert: result = source XOR 0x00FFFFFF, so each colour channel becomes 255 - itself and
// alpha is kept. Applying it twice restores the image.

#include "imaging/colour_ops.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

struct InvertBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    simd::Store(out, p ^ 0x00FFFFFFu);
  }
};

}  // namespace

int InvertColors(const PixelImage& source, PixelImage& destination) {
  ForEachPixelBlock<8>(source, destination, InvertBlock{});
  return 1;
}

}  // namespace vantoria
