// Mosaic with block size k. Each axis is cut, from the top or left, into H / k (or W / k) whole
// blocks of k pixels and, if anything is left over, one partial block of the remaining
// rest = H - (H / k) * k (or W - (W / k) * k) pixels. Every block, whole or partial, is
// filled with the single source pixel at offset (block height / 2, block width / 2) from its
// top-left corner: for a whole block (bi * k + k / 2, bj * k + k / 2), the lower right of the
// middle four when k is even; for a partial block the same with rest / 2 on the short side.
// All four channels, alpha included, come from that pixel; nothing is averaged. A block size
// above both sides therefore fills the image with source(H / 2, W / 2).
// k = 0 writes nothing and returns 0; k = 1 copies the source. Every other call writes every
// destination pixel. The sample offset is below the block's own extent, so any k from 1 to
// the largest unsigned value stays inside the image.

#include <algorithm>
#include <cstddef>

#include "imaging/filter_ops.h"

namespace vantoria {
namespace {

// Writes one destination row: each column block holds the sample row's pixel at its middle.
void FillBlockRow(const Pixel* sampleRow, Pixel* out, std::size_t width, std::size_t k) {
  for (std::size_t left = 0; left < width;) {
    const std::size_t span = std::min(k, width - left);
    std::fill_n(out + left, span, sampleRow[left + span / 2]);
    left += span;
  }
}

}  // namespace

int Mosaic(const PixelImage& source, PixelImage& destination, unsigned blockSize) {
  if (blockSize == 0) {
    return 0;
  }
  if (blockSize == 1) {
    static_cast<void>(CopyImagePixels(source, destination));  // same size
    return 1;
  }
  const std::size_t k = blockSize;
  const auto height = static_cast<std::size_t>(std::max(source.height, 0));
  const auto width = static_cast<std::size_t>(std::max(source.width, 0));
  for (std::size_t top = 0; top < height;) {
    const std::size_t span = std::min(k, height - top);
    // Every row of a block row is the same: build the first, copy it down.
    Pixel* first = destination.rows[top];
    FillBlockRow(source.rows[top + span / 2], first, width, k);
    for (std::size_t y = top + 1; y < top + span; ++y) {
      std::copy_n(first, width, destination.rows[y]);
    }
    top += span;
  }
  return 1;
}

}  // namespace vantoria
