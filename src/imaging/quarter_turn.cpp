// Why integer averages give the general blend exactly. Each blend step on a channel is
//   r = trunc(fl(fl(p * g) + fl(q * f))),  f = 1/2 + e the fraction, g = 1.0 - f,
// p, q integers 0..255. Take a sample at x >= 1/2 with e = 0 or 2^-45 <= |e| <= 2^-12:
// - g is exact: f is a multiple of ulp(x) >= 2^-53, and so is 1 - f, in (0.49, 0.51).
// - p * g and q * f lie below 128, each rounded by at most 2^-47; their sum lies below 256,
//   rounded by at most 2^-46. So the result is S/2 + (q - p) e + d with S = p + q, |d| <= 2^-45.
// - S odd: (q - p) e + d is within 255 * 2^-12 + 2^-45 < 1/2 of zero, so r = floor(S/2).
// - S even, p != q: |q - p| >= 2, so |(q - p) e| >= 2^-44 > |d| unless e = 0, when d = 0 too.
//   r = S/2 when (q - p) e >= 0, S/2 - 1 when it is negative.
// - p == q: with e = 0 everything is exact. Otherwise fl(p * g) and fl(p * f) are each within a
//   quarter ulp of p of their exact values, which sum to p: the sum rounds to p (a tie goes to
//   p, whose last mantissa bit is 0), or is exact when p is a power of two. So r = p.
// That is HalfwayChannel, and the second step applies it again to the two row results.
//
// The destination is walked in tiles. Along any destination row or column a coordinate is
// monotonic (each term of its sum is, and rounding keeps order), so when it splits into the
// same floor and the same lean at both ends of a line, it does so everywhere between. A tile
// whose every line does that is a 2 x 2 blend over a block of the source with one lean per
// source column and one per source row, done with byte vectors straight into the destination
// or through an 8 x 8 transpose. Where tiles fail (the edges, lines crossing the middle within
// 2^-45), under 1 % of a large picture, the general rotation row does the pixels itself.

#include "imaging/quarter_turn.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/geometry_ops.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

constexpr double kSmallestLean = 0x1p-45;
constexpr double kLargestLean = 0x1p-12;
// A tile reads its source block a row piece at a time. A turn that keeps rows as rows (0 and
// 180 degrees) blends pieces of up to kRowPiece pixels straight into kFlatRows destination
// rows; one that makes them columns blends pieces of kLong pixels eight rows at a time and
// transposes them into kTurnedColumns destination columns.
constexpr std::int32_t kRowPiece = 2048;
constexpr std::int32_t kFlatRows = 256;
constexpr std::int32_t kLong = 256;
constexpr std::int32_t kTurnedColumns = 128;
constexpr std::int32_t kSmallestTile = 8;
constexpr std::int32_t kRim = 2;
constexpr std::int32_t kPrefetchRows = 8;

// HalfwayChannel on every byte. `flip` is 0x80 where far's weight leans above its half and
// 0x7F where it leans below, so that one signed compare after it asks "far < near" or
// "near < far" as the lean needs; `leaning` is 0xFF where there is a lean at all.
VANTORIA_INLINE void Halfway(simd::U8x32& out, const simd::U8x32& near, const simd::U8x32& far,
                             const simd::U8x32& flip, const simd::U8x32& leaning) {
  using Bytes = simd::U8x32;
  using Signed = std::int8_t __attribute__((vector_size(32)));
  const Bytes mean = (near & far) + ((near ^ far) >> 1);
  const auto even = (Bytes)(((near ^ far) & 1) == 0);
  const auto down = leaning & (Bytes)((Signed)(near ^ flip) > (Signed)(far ^ flip));
  out = mean + (even & down);  // adding 0xFF takes one off
}

// Halfway's flip and leaning bytes for a lean.
constexpr std::uint8_t FlipOf(Lean lean) {
  return lean == Lean::kNear ? 0x7F : 0x80;
}
constexpr std::uint8_t LeaningOf(Lean lean) {
  return lean == Lean::kNone ? 0 : 0xFF;
}

Pixel HalfwayPixel(Pixel near, Pixel far, Lean lean) {
  Pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int channel = HalfwayChannel(near >> shift & 0xFF, far >> shift & 0xFF, lean);
    out |= static_cast<Pixel>(channel) << shift;
  }
  return out;
}

// Destination row i, columns first..end-1, by the general rotation row itself.
void TurnRowSpan(const RotationFrame& frame, std::int32_t i, std::int32_t first, std::int32_t end,
                 Pixel* out) {
  const PixelImage& source = *frame.source;
  const RotationRow row{.source = &source,
                        .rowSn = static_cast<double>(i) * frame.sn,
                        .rowCs = static_cast<double>(i) * frame.cs,
                        .columnCs = frame.columnCs + first,
                        .columnSn = frame.columnSn + first,
                        .ox = frame.ox,
                        .oy = frame.oy,
                        .count = static_cast<std::size_t>(end - first),
                        .sourceWidth = static_cast<double>(source.width),
                        .sourceHeight = static_cast<double>(source.height)};
  ActiveBilinearRowKernels().rotateRow(row, out + first);
}

// --- Tile by tile ---

struct Split {
  std::int32_t floor;
  Lean lean;

  bool operator==(const Split&) const = default;
};

constexpr Split kUncovered{-1, Lean::kNone};

// A position's floor and lean, when the integer form covers it: from 1/2 up to below `last`,
// and 1/2 + lean past its floor with lean 0 or 2^-45..2^-12 either way. Floor -1 otherwise.
inline Split SplitPosition(double position, double last) {
  if (!(position >= 0.5 && position < last)) {
    return kUncovered;
  }
  const auto floor = static_cast<std::int32_t>(position);
  const double lean = (position - floor) - 0.5;
  const double size = std::fabs(lean);
  if (lean != 0.0 && !(size >= kSmallestLean && size <= kLargestLean)) {
    return kUncovered;
  }
  return Split{floor, lean > 0.0 ? Lean::kFar : (lean < 0.0 ? Lean::kNear : Lean::kNone)};
}

// Line k's split when it splits alike at both ends, at(k, false) and at(k, true); floor -1
// otherwise.
template <typename At>
VANTORIA_INLINE Split LineSplit(const At& at, std::int32_t k, double last) {
  const Split start = SplitPosition(at(k, false), last);
  return start.floor >= 0 && start == SplitPosition(at(k, true), last) ? start : kUncovered;
}

// One coordinate over the lines of a tile: the source index it starts at, and the lean of each
// source index from there.
struct Lines {
  std::int32_t low = 0;
  std::int32_t count = 0;
  bool descending = false;
  std::array<Lean, kRowPiece> leans;
};

// Line k < count runs from at(k, false) to at(k, true). Every line must split alike at both
// ends, and the floors step by one from line to line, all up or all down.
template <typename At>
bool SplitLines(std::int32_t count, double last, const At& at, Lines& lines) {
  if (count < 2 || count > kRowPiece) {
    return false;
  }
  lines.count = count;
  std::int32_t first = 0;
  for (std::int32_t k = 0; k < count; ++k) {
    const Split start = LineSplit(at, k, last);
    if (start.floor < 0) {
      return false;
    }
    if (k == 0) {
      first = start.floor;
    } else if (k == 1) {
      lines.descending = start.floor == first - 1;
    }
    if (start.floor != (lines.descending ? first - k : first + k)) {
      return false;
    }
    lines.leans[k] = start.lean;
  }
  if (lines.descending) {
    std::reverse(lines.leans.begin(), lines.leans.begin() + count);
  }
  lines.low = lines.descending ? first - (count - 1) : first;
  return true;
}

// body(c) for c = 0, 8, 16, ... and last for count - 8, which overlaps the eight before rather
// than leaving the tail to go one pixel at a time. Nothing when count < 8.
template <typename Body>
VANTORIA_INLINE void ByEights(std::int32_t count, const Body& body) {
  if (count < 8) {
    return;
  }
  for (std::int32_t c = 0; c < count - 8; c += 8) {
    body(c);
  }
  body(count - 8);
}

// Eight pixels in the opposite order.
VANTORIA_INLINE void Reverse(simd::U8x32& pixels) {
  const auto words = (simd::U32x8)pixels;
  pixels = (simd::U8x32)__builtin_shufflevector(words, words, 7, 6, 5, 4, 3, 2, 1, 0);
}

// Transposes eight rows of eight pixels in place.
VANTORIA_INLINE void Transpose(std::array<simd::U32x8, 8>& rows) {
  std::array<simd::U32x8, 8> pairs;
#pragma GCC unroll 4
  for (int k = 0; k < 8; k += 2) {
    pairs[k] = __builtin_shufflevector(rows[k], rows[k + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    pairs[k + 1] = __builtin_shufflevector(rows[k], rows[k + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
  std::array<simd::U32x8, 8> quads;
#pragma GCC unroll 2
  for (int half = 0; half < 8; half += 4) {
#pragma GCC unroll 2
    for (int k = 0; k < 2; ++k) {
      const simd::U32x8& low = pairs[half + k];
      const simd::U32x8& high = pairs[half + k + 2];
      quads[half + 2 * k] = __builtin_shufflevector(low, high, 0, 1, 8, 9, 4, 5, 12, 13);
      quads[half + 2 * k + 1] = __builtin_shufflevector(low, high, 2, 3, 10, 11, 6, 7, 14, 15);
    }
  }
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    rows[k] = __builtin_shufflevector(quads[k], quads[k + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    rows[k + 4] = __builtin_shufflevector(quads[k], quads[k + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// One source row piece blended across: out[c] from row[c] and row[c + 1] with column c's lean.
VANTORIA_INLINE void BlendAcross(const Pixel* row, const Lines& across, const Pixel* flips,
                                 const Pixel* leanings, Pixel* out) {
  const std::int32_t count = across.count;
  ByEights(count, [&](std::int32_t c) VANTORIA_KERNEL {
    simd::U8x32 near;
    simd::U8x32 far;
    simd::U8x32 flip;
    simd::U8x32 leaning;
    simd::Load(near, row + c);
    simd::Load(far, row + c + 1);
    simd::Load(flip, flips + c);
    simd::Load(leaning, leanings + c);
    Halfway(near, near, far, flip, leaning);
    simd::Store(out + c, near);
  });
  for (std::int32_t c = 0; count < 8 && c < count; ++c) {
    out[c] = HalfwayPixel(row[c], row[c + 1], across.leans[c]);
  }
}

// Two blended rows blended down with one lean into `out`, in reverse order when kReversed.
template <bool kReversed>
VANTORIA_INLINE void BlendDown(const Pixel* upper, const Pixel* lower, std::int32_t count,
                               Lean lean, Pixel* out) {
  const simd::U8x32 flip = simd::U8x32{} + FlipOf(lean);
  const simd::U8x32 leaning = simd::U8x32{} + LeaningOf(lean);
  ByEights(count, [&](std::int32_t c) VANTORIA_KERNEL {
    simd::U8x32 top;
    simd::U8x32 bottom;
    simd::Load(top, upper + c);
    simd::Load(bottom, lower + c);
    Halfway(top, top, bottom, flip, leaning);
    if constexpr (kReversed) {
      Reverse(top);
      simd::Store(out + (count - 8 - c), top);
    } else {
      simd::Store(out + c, top);
    }
  });
  for (std::int32_t c = 0; count < 8 && c < count; ++c) {
    out[kReversed ? count - 1 - c : c] = HalfwayPixel(upper[c], lower[c], lean);
  }
}

// Source rows down.low.. blended across with each column's lean, then down with each row's:
// block row r goes to rowOut(r), in reverse order when kReversed, and then done(r) is called.
template <bool kReversed, typename RowOut, typename Done>
void BlendBlock(const PixelImage& source, const Lines& across, const Lines& down,
                const RowOut& rowOut, const Done& done) {
  alignas(32) std::array<Pixel, kRowPiece> flips;
  alignas(32) std::array<Pixel, kRowPiece> leanings;
  for (std::int32_t c = 0; c < across.count; ++c) {
    flips[c] = FlipOf(across.leans[c]) * 0x01010101u;
    leanings[c] = LeaningOf(across.leans[c]) * 0x01010101u;
  }
  alignas(32) std::array<std::array<Pixel, kRowPiece>, 2> blended;
  const auto piece = [&](std::int32_t r) { return source.rows[down.low + r] + across.low; };
  simd::RunVectorised([&]() VANTORIA_KERNEL {
    BlendAcross(piece(0), across, flips.data(), leanings.data(), blended[0].data());
    for (std::int32_t r = 0; r < down.count; ++r) {
      // Short pieces of far-apart rows, which the processor does not fetch ahead by itself.
      if (down.low + r + kPrefetchRows < source.height) {
        const Pixel* ahead = piece(r + kPrefetchRows);
        for (std::int32_t c = 0; c <= across.count; c += 16) {
          __builtin_prefetch(ahead + c);
        }
      }
      const Pixel* upper = blended[r % 2].data();
      Pixel* lower = blended[(r + 1) % 2].data();
      BlendAcross(piece(r + 1), across, flips.data(), leanings.data(), lower);
      BlendDown<kReversed>(upper, lower, across.count, down.leans[r], rowOut(r));
      done(r);
    }
  });
}

using Strip = std::array<std::array<Pixel, kLong>, 8>;
// The destination row of each block column, at the tile's first column.
using Targets = std::array<Pixel*, kLong>;

// Eight full block rows, eight block columns at a time through a transpose.
template <bool kDescending>
VANTORIA_INLINE void CopySquares(const Strip& strip, std::int32_t count, const Targets& targets,
                                 std::int32_t column) {
  ByEights(count, [&](std::int32_t c) VANTORIA_KERNEL {
    std::array<simd::U32x8, 8> square;
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
      simd::Load(square[k], strip[k].data() + c);
    }
    Transpose(square);
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
      auto pixels = (simd::U8x32)square[k];
      if constexpr (kDescending) {
        Reverse(pixels);
      }
      simd::Store(targets[c + k] + column, pixels);
    }
  });
}

// Block rows r0..r0+rows-1 (rows <= 8, held in `strip`) of a turn by 90 or 270 degrees: block
// column c goes to targets[c], block row r to the tile's column r, counted from the other end
// when the lines descend.
VANTORIA_INLINE void CopyStrip(const Strip& strip, std::int32_t r0, std::int32_t rows,
                               const Lines& across, const Lines& down, const Targets& targets) {
  const auto column = [&](std::int32_t r) { return down.descending ? down.count - 1 - r : r; };
  if (rows == 8 && across.count >= 8) {
    const std::int32_t first = std::min(column(r0), column(r0 + 7));
    if (down.descending) {
      CopySquares<true>(strip, across.count, targets, first);
    } else {
      CopySquares<false>(strip, across.count, targets, first);
    }
    return;
  }
  for (std::int32_t c = 0; c < across.count; ++c) {
    for (std::int32_t k = 0; k < rows; ++k) {
      targets[c][column(r0 + k)] = strip[k][c];
    }
  }
}

// Destination rows i0..i1-1, columns j0..j1-1; false when a line does not split alike.
bool TurnTile(const RotationFrame& frame, std::int32_t i0, std::int32_t i1, std::int32_t j0,
              std::int32_t j1, PixelImage& turned) {
  if (i1 - i0 < 2 || j1 - j0 < 2) {
    return false;  // nothing to tell the lines' direction by (and no lines at all when empty)
  }
  const auto x = [&frame](std::int32_t i, std::int32_t j) {
    return (static_cast<double>(i) * frame.sn + frame.columnCs[j]) + frame.ox;
  };
  const auto y = [&frame](std::int32_t i, std::int32_t j) {
    return (static_cast<double>(i) * frame.cs - frame.columnSn[j]) + frame.oy;
  };
  const auto alongRow = [&](const auto& position, std::int32_t i) {
    return [&, i](std::int32_t k, bool end) { return position(i + k, end ? j1 - 1 : j0); };
  };
  const auto alongColumn = [&](const auto& position, std::int32_t j) {
    return [&, j](std::int32_t k, bool end) { return position(end ? i1 - 1 : i0, j + k); };
  };
  const PixelImage& source = *frame.source;
  const double lastX = source.width - 1.0;
  const double lastY = source.height - 1.0;
  // Turned by 90 or 270 degrees, x follows the destination row and y the column.
  const bool transposed = std::floor(x(i0, j0)) == std::floor(x(i0, j1 - 1));
  const auto firstSplits = [](double last, const auto& at) {
    return LineSplit(at, 0, last).floor >= 0;
  };
  // Most tiles that fail do so because the lean changes along their first line: both
  // directions are asked that before every line is walked.
  const bool firstLinesSplit =
      transposed ? firstSplits(lastX, alongRow(x, i0)) && firstSplits(lastY, alongColumn(y, j0))
                 : firstSplits(lastX, alongColumn(x, j0)) && firstSplits(lastY, alongRow(y, i0));
  if (!firstLinesSplit) {
    return false;
  }
  Lines across;
  Lines down;
  if (transposed ? !SplitLines(i1 - i0, lastX, alongRow(x, i0), across) ||
                       !SplitLines(j1 - j0, lastY, alongColumn(y, j0), down)
                 : !SplitLines(j1 - j0, lastX, alongColumn(x, j0), across) ||
                       !SplitLines(i1 - i0, lastY, alongRow(y, i0), down)) {
    return false;
  }
  if (!transposed) {
    const auto rowOut = [&](std::int32_t r) {
      return turned.rows[i0 + (down.descending ? down.count - 1 - r : r)] + j0;
    };
    const auto done = [](std::int32_t) {};
    if (across.descending) {
      BlendBlock<true>(source, across, down, rowOut, done);
    } else {
      BlendBlock<false>(source, across, down, rowOut, done);
    }
    return true;
  }
  if (across.count > kLong) {
    return false;
  }
  // Eight block rows at a time are transposed into the destination.
  Targets targets;
  for (std::int32_t c = 0; c < across.count; ++c) {
    targets[c] = turned.rows[i0 + (across.descending ? across.count - 1 - c : c)] + j0;
  }
  Strip strip;
  BlendBlock<false>(
      source, across, down, [&strip](std::int32_t r) { return strip[r % 8].data(); },
      [&](std::int32_t r) VANTORIA_KERNEL {
        if (r % 8 == 7 || r == down.count - 1) {
          CopyStrip(strip, r - r % 8, r % 8 + 1, across, down, targets);
        }
      });
  return true;
}

// A tile on the picture's edge whose inside splits alike: the rim of kRim pixels along the
// edge, where samples fall outside the source or below 1/2, takes the general row.
bool TurnInsideRim(const RotationFrame& frame, std::int32_t i0, std::int32_t i1, std::int32_t j0,
                   std::int32_t j1, PixelImage& turned) {
  const std::int32_t top = i0 == 0 ? i0 + kRim : i0;
  const std::int32_t bottom = i1 == turned.height ? i1 - kRim : i1;
  const std::int32_t left = j0 == 0 ? j0 + kRim : j0;
  const std::int32_t right = j1 == turned.width ? j1 - kRim : j1;
  if ((top == i0 && bottom == i1 && left == j0 && right == j1) ||
      !TurnTile(frame, top, bottom, left, right, turned)) {
    return false;
  }
  for (std::int32_t i = i0; i < i1; ++i) {
    if (i < top || i >= bottom) {
      TurnRowSpan(frame, i, j0, j1, turned.rows[i]);
    } else {
      TurnRowSpan(frame, i, j0, left, turned.rows[i]);
      TurnRowSpan(frame, i, right, j1, turned.rows[i]);
    }
  }
  return true;
}

// Tiles that do not split alike are halved until they do or are small, then take the general
// row.
void TurnRegion(const RotationFrame& frame, std::int32_t i0, std::int32_t i1, std::int32_t j0,
                std::int32_t j1, PixelImage& turned) {
  if (TurnTile(frame, i0, i1, j0, j1, turned) || TurnInsideRim(frame, i0, i1, j0, j1, turned)) {
    return;
  }
  if (i1 - i0 <= kSmallestTile && j1 - j0 <= kSmallestTile) {
    for (std::int32_t i = i0; i < i1; ++i) {
      TurnRowSpan(frame, i, j0, j1, turned.rows[i]);
    }
  } else if (i1 - i0 >= j1 - j0) {
    TurnRegion(frame, i0, (i0 + i1) / 2, j0, j1, turned);
    TurnRegion(frame, (i0 + i1) / 2, i1, j0, j1, turned);
  } else {
    TurnRegion(frame, i0, i1, j0, (j0 + j1) / 2, turned);
    TurnRegion(frame, i0, i1, (j0 + j1) / 2, j1, turned);
  }
}

}  // namespace

bool IsQuarterTurn(double sn, double cs) {
  return std::fabs(sn) < 1e-9 || std::fabs(cs) < 1e-9;
}

void QuarterTurnRows(const RotationFrame& frame, std::int32_t first, std::int32_t end,
                     PixelImage& turned) {
  // Tiles long along the destination axis that walks a source row.
  const bool transposed = std::fabs(frame.cs) < std::fabs(frame.sn);
  const std::int32_t tall = transposed ? kLong : kFlatRows;
  const std::int32_t wide = transposed ? kTurnedColumns : kRowPiece;
  for (std::int32_t i0 = first; i0 < end; i0 += tall) {
    for (std::int32_t j0 = 0; j0 < turned.width; j0 += wide) {
      TurnRegion(frame, i0, std::min(i0 + tall, end), j0, std::min(j0 + wide, turned.width),
                 turned);
    }
  }
}

}  // namespace vantoria
