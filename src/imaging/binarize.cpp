// Threshold t: g = WeightedGrey(R, G, B); g > t gives opaque white 0xFFFFFFFF, otherwise
// opaque black 0xFF000000. The source alpha is discarded, so t = 255 makes everything black.

#include "imaging/colour_ops.h"
#include "imaging/grey_kernel.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

struct ThresholdBlock {
  int threshold;

  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    simd::I32x8 grey;
    WeightedGrey8(grey, p);
    const simd::I32x8 above = grey > threshold;  // all ones where white
    simd::Store(out, (simd::U32x8)above | 0xFF000000u);
  }
};

}  // namespace

int Binarize(const PixelImage& source, PixelImage& destination, int threshold) {
  ForEachPixelBlock<8>(source, destination, ThresholdBlock{threshold});
  return 1;
}

}  // namespace vantoria
