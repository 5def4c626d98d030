// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Median filter. For every pixel with a full 3 x 3 window (1 <= i < H - 1, 1 <= j < W - 1):
// the window is walked row by row, left to right; each mask cell above 0 adds the red, green
// and blue of the source pixel under it to three buffers of `count` values. Each buffer is
// sorted ascending (selection sort) and its element count / 2 is the result channel: for the
// five-cell cross, the median of five. Alpha comes from source(i, j).
// The outermost rows and columns are not written, so they keep whatever the destination held;
// images narrower or lower than 3 are left untouched.
// `count` must equal the number of mask cells above 0, or the buffers would overflow or hold
// unset values: when it does not (or is 0), nothing is written and 0 is returned.

#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

struct Cell {
  int row;
  int column;
};

std::vector<Cell> MaskCells(const Kernel3& mask) {
  std::vector<Cell> cells;
  for (int u = 0; u < 3; ++u) {
    for (int w = 0; w < 3; ++w) {
      if (mask[u][w] > 0) {
        cells.push_back({u, w});
      }
    }
  }
  return cells;
}

// Selection sort; `values` holds a handful of entries, then the middle one is taken.
std::uint8_t Median(std::vector<std::uint8_t>& values) {
  const std::size_t n = values.size();
  for (std::size_t a = 0; a + 1 < n; ++a) {
    std::size_t smallest = a;
    for (std::size_t b = a + 1; b < n; ++b) {
      if (values[b] < values[smallest]) {
        smallest = b;
      }
    }
    std::swap(values[a], values[smallest]);
  }
  return values[n / 2];
}

}  // namespace

int MedianFilter(const PixelImage& source, PixelImage& destination, const Kernel3& mask,
                 int count) {
  const std::vector<Cell> cells = MaskCells(mask);
  if (count <= 0 || static_cast<std::size_t>(count) != cells.size()) {
    return 0;
  }
  // Allocated once for the whole call, refilled for every pixel.
  std::vector<std::uint8_t> reds(cells.size());
  std::vector<std::uint8_t> greens(cells.size());
  std::vector<std::uint8_t> blues(cells.size());
  for (int i = 1; i < source.height - 1; ++i) {
    Pixel* out = destination.rows[i];
    for (int j = 1; j < source.width - 1; ++j) {
      for (std::size_t k = 0; k < cells.size(); ++k) {
        const Pixel p = source.rows[i - 1 + cells[k].row][j - 1 + cells[k].column];
        reds[k] = static_cast<std::uint8_t>(RedOf(p));
        greens[k] = static_cast<std::uint8_t>(GreenOf(p));
        blues[k] = static_cast<std::uint8_t>(BlueOf(p));
      }
      out[j] = MakePixel(AlphaOf(source.rows[i][j]), Median(reds), Median(greens), Median(blues));
    }
  }
  return 1;
}

}  // namespace vantoria::reference
