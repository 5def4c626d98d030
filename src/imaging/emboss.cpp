// Emboss. For every pixel with a lower-right neighbour (i < H - 1, j < W - 1) and each of red,
// green and blue on its own:
//   v = source(i, j) - source(i + 1, j + 1) + 128;  v > 255 becomes 255, v < 0 becomes -v.
// Folding negatives back (rather than clamping to 0) makes rises and falls both show as relief.
// Alpha comes from source(i, j). The last column and the last row, which have no lower-right
// neighbour, become opaque mid-grey 0xFF808080, even in images one pixel wide or high.
// Every destination pixel is written.

#include <algorithm>

#include "imaging/channels.h"
#include "imaging/filter_ops.h"
#include "imaging/window_rows.h"

namespace vantoria {
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

// Columns 0..W-2 of a row with a row below; with `lanes`, four at a time when there are at least
// four.
VANTORIA_INLINE void EmbossRow(const Pixel* row, const Pixel* below, Pixel* out, int width,
                               bool lanes) {
  if (!lanes || width - 1 < 4) {
    for (int j = 0; j < width - 1; ++j) {
      out[j] = EmbossPixel(row[j], below[j + 1]);
    }
    return;
  }
  ForEachBlockBetween<4>(0, width - 1, [&](int j) VANTORIA_KERNEL {
    simd::I16x16 here;
    simd::I16x16 diagonal;
    LoadWide(here, row + j);
    LoadWide(diagonal, below + j + 1);
    const simd::I16x16 zero = {};
    simd::I16x16 relief = here - diagonal + 128;
    relief = relief > zero + 255 ? zero + 255 : relief;
    relief = relief < zero ? -relief : relief;
    KeepAlpha(relief, here);
    StoreNarrow(out + j, relief);
  });
}

}  // namespace

int Emboss(const PixelImage& source, PixelImage& destination) {
  const int height = source.height;
  const int width = source.width;
  if (height <= 0 || width <= 0) {
    return 1;
  }
  const bool lanes = simd::UseAvx2();
  ParallelRows(height, static_cast<std::size_t>(width), [&](int first, int end) {
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      for (int i = first; i < end; ++i) {
        Pixel* out = destination.rows[i];
        if (i == height - 1) {
          std::fill_n(out, width, kMidGrey);
          continue;
        }
        EmbossRow(source.rows[i], source.rows[i + 1], out, width, lanes);
        out[width - 1] = kMidGrey;
      }
    });
  });
  return 1;
}

}  // namespace vantoria
