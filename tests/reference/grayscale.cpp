// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Grey-scales; each sets B = G = R = g and keeps the source alpha.
//   maximum:  g = max(B, G, R)
//   average:  g = (R + G + B) / 3, integer division
//   weighted: g = trunc((R * 0.299 + G * 0.587) + B * 0.114), in double in that order.
// The weighted sum is truncated, not rounded: 65 of the 256 grey levels drop by one
// (1 -> 0, 128 -> 127) while 0, 100, 200 and 255 stay.

#include <algorithm>
#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

template <typename GreyOf>
void ToGrey(const PixelImage& source, PixelImage& destination, GreyOf grey) {
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = in[j];
      const int g = grey(RedOf(p), GreenOf(p), BlueOf(p));
      out[j] = MakePixel(AlphaOf(p), g, g, g);
    }
  }
}

}  // namespace

int WeightedGrey(int red, int green, int blue) {
  return static_cast<int>((red * 0.299 + green * 0.587) + blue * 0.114);
}

int GrayscaleByMaximum(const PixelImage& source, PixelImage& destination) {
  ToGrey(source, destination, [](int r, int g, int b) { return std::max({b, g, r}); });
  return 1;
}

int GrayscaleByAverage(const PixelImage& source, PixelImage& destination) {
  ToGrey(source, destination, [](int r, int g, int b) { return (r + g + b) / 3; });
  return 1;
}

int GrayscaleByWeightedAverage(const PixelImage& source, PixelImage& destination) {
  ToGrey(source, destination, [](int r, int g, int b) { return WeightedGrey(r, g, b); });
  return 1;
}

}  // namespace vantoria::reference
