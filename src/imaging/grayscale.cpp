// Grey-scales; each sets B = G = R = g and keeps the source alpha.
//   maximum:  g = max(B, G, R)
//   average:  g = (R + G + B) / 3, integer division
//   weighted: g = trunc((R * 0.299 + G * 0.587) + B * 0.114), in double in that order.
// The weighted sum is truncated, not rounded: 65 of the 256 grey levels drop by one
// (1 -> 0, 128 -> 127) while 0, 100, 200 and 255 stay.

#include <cstdint>

#include "imaging/colour_ops.h"
#include "imaging/grey_kernel.h"
#include "imaging/pixel_spans.h"

namespace vantoria {
namespace {

// s / 3 as (s * 43691) >> 17, exact for every sum of three channels (checked here for all).
constexpr std::uint32_t kThirdMultiplier = 43691;
constexpr int kThirdShift = 17;
constexpr bool ThirdIsExact() {
  for (std::uint32_t s = 0; s <= 3 * 255; ++s) {
    if ((s * kThirdMultiplier) >> kThirdShift != s / 3) {
      return false;
    }
  }
  return true;
}
static_assert(ThirdIsExact());

// B = G = R = grey, alpha from the pixel.
VANTORIA_INLINE void StoreGrey(Pixel* out, const simd::U32x8& pixels, const simd::U32x8& grey) {
  simd::Store(out, (pixels & 0xFF000000u) | (grey * 0x00010101u));
}

struct MaximumBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    const simd::U32x8 red = (p >> 16) & 0xFFu;
    const simd::U32x8 green = (p >> 8) & 0xFFu;
    const simd::U32x8 blue = p & 0xFFu;
    const simd::U32x8 high = blue > green ? blue : green;
    StoreGrey(out, p, high > red ? high : red);
  }
};

struct AverageBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    const simd::U32x8 sum = ((p >> 16) & 0xFFu) + ((p >> 8) & 0xFFu) + (p & 0xFFu);
    StoreGrey(out, p, (sum * kThirdMultiplier) >> kThirdShift);
  }
};

struct WeightedBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    simd::U32x8 p;
    simd::Load(p, in);
    simd::I32x8 grey;
    WeightedGrey8(grey, p);
    StoreGrey(out, p, (simd::U32x8)grey);
  }
};

}  // namespace

int WeightedGrey(int red, int green, int blue) {
  return static_cast<int>((red * 0.299 + green * 0.587) + blue * 0.114);
}

int GrayscaleByMaximum(const PixelImage& source, PixelImage& destination) {
  ForEachPixelBlock<8>(source, destination, MaximumBlock{});
  return 1;
}

int GrayscaleByAverage(const PixelImage& source, PixelImage& destination) {
  ForEachPixelBlock<8>(source, destination, AverageBlock{});
  return 1;
}

int GrayscaleByWeightedAverage(const PixelImage& source, PixelImage& destination) {
  ForEachPixelBlock<8>(source, destination, WeightedBlock{});
  return 1;
}

}  // namespace vantoria
