// Median filter. For every pixel with a full 3 x 3 window (1 <= i < H - 1, 1 <= j < W - 1):
// the window is walked row by row, left to right; each mask cell above 0 adds the red, green
// and blue of the source pixel under it to three buffers of `count` values. Each buffer is
// sorted ascending (selection sort) and its element count / 2 is the result channel: for the
// five-cell cross, the median of five. Alpha comes from source(i, j).
// The outermost rows and columns are not written, so they keep whatever the destination held;
// images narrower or lower than 3 are left untouched.
// `count` must equal the number of mask cells above 0, or the buffers would overflow or hold
// unset values: when it does not (or is 0), nothing is written and 0 is returned.
// The element count / 2 of the sorted values does not depend on how they are sorted, so rows
// at least 10 pixels wide sort eight pixels' channels at once, each byte lane on its own,
// through a network of minimum / maximum pairs.

#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/channels.h"
#include "imaging/filter_ops.h"
#include "imaging/window_rows.h"

namespace vantoria {
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

void MedianRow(const PixelImage& source, Pixel* out, int i, const std::vector<Cell>& cells) {
  // Allocated once for the row, refilled for every pixel.
  std::vector<std::uint8_t> reds(cells.size());
  std::vector<std::uint8_t> greens(cells.size());
  std::vector<std::uint8_t> blues(cells.size());
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

// The middle of five values: of the two smaller and two larger of a..d the outer two cannot be
// the median, so it is the median of e and the inner two. Checked against sorting below.
// For ints and for byte vectors (lane by lane) alike.
template <typename T>
VANTORIA_INLINE constexpr void MiddleOfFive(T& middle, const T& a, const T& b, const T& c,
                                            const T& d, const T& e) {
  const T lowAB = a < b ? a : b;
  const T highAB = a < b ? b : a;
  const T lowCD = c < d ? c : d;
  const T highCD = c < d ? d : c;
  const T second = lowAB < lowCD ? lowCD : lowAB;
  const T third = highAB < highCD ? highAB : highCD;
  const T lowE = e < second ? e : second;
  const T highE = e < second ? second : e;
  const T upper = highE < third ? highE : third;
  middle = lowE < upper ? upper : lowE;
}

constexpr bool MiddleOfFiveIsTheMedian() {
  // Every arrangement of values from 0..4, ties included.
  for (int code = 0; code < 5 * 5 * 5 * 5 * 5; ++code) {
    int v[5];
    for (int k = 0, rest = code; k < 5; ++k, rest /= 5) {
      v[k] = rest % 5;
    }
    int below[5] = {};  // how many values are smaller, or equal and earlier
    for (int k = 0; k < 5; ++k) {
      for (int m = 0; m < 5; ++m) {
        below[k] += v[m] < v[k] || (v[m] == v[k] && m < k);
      }
    }
    int median = 0;
    for (int k = 0; k < 5; ++k) {
      median = below[k] == 2 ? v[k] : median;
    }
    int middle = 0;
    MiddleOfFive(middle, v[0], v[1], v[2], v[3], v[4]);
    if (middle != median) {
      return false;
    }
  }
  return true;
}
static_assert(MiddleOfFiveIsTheMedian());

// The middle value of each byte lane of kCount vectors: for five, the selection above; otherwise
// odd-even transposition, whose kCount rounds of compare-exchanges sort kCount values.
template <int kCount>
VANTORIA_INLINE void MiddleLanes(simd::U8x32& middle, simd::U8x32 (&values)[kCount]) {
  if constexpr (kCount == 5) {
    MiddleOfFive(middle, values[0], values[1], values[2], values[3], values[4]);
  } else {
#pragma GCC unroll 9
    for (int round = 0; round < kCount; ++round) {
#pragma GCC unroll 4
      for (int k = round % 2; k + 1 < kCount; k += 2) {
        const simd::U8x32 low = values[k] < values[k + 1] ? values[k] : values[k + 1];
        values[k + 1] = values[k] < values[k + 1] ? values[k + 1] : values[k];
        values[k] = low;
      }
    }
    middle = values[kCount / 2];
  }
}

// Eight pixels at a time, all four channels in byte lanes; needs W >= 10.
template <int kCount>
VANTORIA_INLINE void MedianRowInLanes(const PixelImage& source, Pixel* out, int i,
                                      const Cell* cells) {
  const Pixel* row = source.rows[i];
  // Where each cell's value for column j lies: rows[k] + j + shifts[k].
  const Pixel* rows[kCount];
  int shifts[kCount];
  for (int k = 0; k < kCount; ++k) {
    rows[k] = source.rows[i - 1 + cells[k].row];
    shifts[k] = cells[k].column - 1;
  }
  ForEachBlockBetween<8>(1, source.width - 1, [&](int j) VANTORIA_KERNEL {
    simd::U8x32 values[kCount];
#pragma GCC unroll 9
    for (int k = 0; k < kCount; ++k) {
      simd::Load(values[k], rows[k] + (j + shifts[k]));
    }
    simd::U8x32 middle;
    MiddleLanes<kCount>(middle, values);
    simd::U32x8 centre;
    simd::Load(centre, row + j);
    simd::Store(out + j, ((simd::U32x8)middle & 0x00FFFFFFu) | (centre & 0xFF000000u));
  });
}

template <int kCount>
void MedianInLanes(const PixelImage& source, PixelImage& destination, const Cell* cells) {
  ForEachInteriorBand(source, [&](int first, int end) {
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      for (int i = first; i < end; ++i) {
        MedianRowInLanes<kCount>(source, destination.rows[i], i, cells);
      }
    });
  });
}

// One instance per possible cell count.
template <int... kCounts>
bool MedianInLanesFor(const PixelImage& source, PixelImage& destination,
                      const std::vector<Cell>& cells, std::integer_sequence<int, kCounts...>) {
  return ((cells.size() == static_cast<std::size_t>(kCounts + 1) &&
           (MedianInLanes<kCounts + 1>(source, destination, cells.data()), true)) ||
          ...);
}

}  // namespace

int MedianFilter(const PixelImage& source, PixelImage& destination, const Kernel3& mask,
                 int count) {
  const std::vector<Cell> cells = MaskCells(mask);
  if (count <= 0 || static_cast<std::size_t>(count) != cells.size()) {
    return 0;
  }
  if (source.width >= 10 &&
      MedianInLanesFor(source, destination, cells, std::make_integer_sequence<int, 9>{})) {
    return 1;
  }
  ForEachInteriorBand(source, [&](int first, int end) {
    for (int i = first; i < end; ++i) {
      MedianRow(source, destination.rows[i], i, cells);
    }
  });
  return 1;
}

}  // namespace vantoria
