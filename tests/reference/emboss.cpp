// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Emboss. For every pixel with a lower-right neighbour (i < H - 1, j < W - 1) and each of red,
// green and blue on its own:
//   v = source(i, j) - source(i + 1, j + 1) + 128;  v > 255 becomes 255, v < 0 becomes -v.
// Folding negatives back (rather than clamping to 0) makes rises and falls both show as relief.
// Alpha comes from source(i, j). The last column and the last row, which have no lower-right
// neighbour, become opaque mid-grey 0xFF808080, even in images one pixel wide or high.
// Every destination pixel is written.

#include <algorithm>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

constexpr Pixel kMidGrey = 0xFF808080u;

int Relief(int here, int diagonal) {
  const int v = here - diagonal + 128;
  if (v > 255) {
    return 255;
  }
  return v < 0 ? -v : v;
}

Pixel EmbossPixel(Pixel here, Pixel diagonal) {
  return MakePixel(AlphaOf(here), Relief(RedOf(here), RedOf(diagonal)),
                   Relief(GreenOf(here), GreenOf(diagonal)),
                   Relief(BlueOf(here), BlueOf(diagonal)));
}

}  // namespace

int Emboss(const PixelImage& source, PixelImage& destination) {
  const int height = source.height;
  const int width = source.width;
  if (height <= 0 || width <= 0) {
    return 1;
  }
  for (int i = 0; i < height - 1; ++i) {
    const Pixel* row = source.rows[i];
    const Pixel* below = source.rows[i + 1];
    Pixel* out = destination.rows[i];
    for (int j = 0; j < width - 1; ++j) {
      out[j] = EmbossPixel(row[j], below[j + 1]);
    }
    out[width - 1] = kMidGrey;
  }
  std::fill_n(destination.rows[height - 1], width, kMidGrey);
  return 1;
}

}  // namespace vantoria::reference
