// Sketch: a grey line drawing in two passes over the interior (1 <= i <= H - 2,
// 1 <= j <= W - 2).
// 1. Line map T, every entry 0 at first. For each interior pixel, with g the weighted grey
//    trunc((R * 0.299 + G * 0.587) + B * 0.114) of each pixel in its 3 x 3 window:
//      a = sum g * centre difference   (1 1 1 / 1 -8 1 / 1 1 1)
//      b = sum g * first gradient      (1 1 -1 / 1 0 -1 / 1 -1 -1)
//      d = sum g * second gradient     (1 1 1 / -1 0 1 / -1 -1 -1)
//      v = 0 if max(|b|, |d|) < 25, else 2 * a; then v > 255 becomes 255 and v < 32 becomes 0;
//      T(i, j) = 255 - v.
//    T's outermost rows and columns stay 0.
// 2. For each interior pixel: t = (sum of T over the window weighted 1 1 1 / 1 4 1 / 1 1 1) / 12,
//    truncating; the result has red = green = blue = t and the alpha of source(i, j).
// Since T's border is 0, the ring just inside the border comes out darker (191 along the
// sides, 148 in the corners, for a flat image). The outermost rows and columns of the
// destination are not written; images narrower or lower than 3 are left untouched.
// Images at least 18 pixels wide run in bands of rows, each keeping only the three grey rows
// and three line rows it is working on, sixteen columns at a time in 16-bit lanes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/channels.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/grey_kernel.h"
#include "imaging/kernels.h"
#include "imaging/window_rows.h"

namespace vantoria {
namespace {

constexpr Kernel3 kCentreDifference = {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}};
constexpr Kernel3 kFirstGradient = {{{1, 1, -1}, {1, 0, -1}, {1, -1, -1}}};
constexpr Kernel3 kSecondGradient = {{{1, 1, 1}, {-1, 0, 1}, {-1, -1, -1}}};
constexpr Kernel3 kBlur = {{{1, 1, 1}, {1, 4, 1}, {1, 1, 1}}};
constexpr int kBlurSum = 12;
constexpr int kEdgeThreshold = 25;
constexpr int kFaintLine = 32;  // darkenings below this are dropped as noise

using Plane = std::vector<std::uint8_t>;

// window[u] points at column j - 1 of plane row i - 1 + u.
int Weigh(const std::uint8_t* const window[3], const Kernel3& kernel) {
  int sum = 0;
  for (int u = 0; u < 3; ++u) {
    for (int w = 0; w < 3; ++w) {
      sum += kernel[u][w] * window[u][w];
    }
  }
  return sum;
}

std::uint8_t LineLevel(const std::uint8_t* const window[3]) {
  const int a = Weigh(window, kCentreDifference);
  const int edge =
      std::max(std::abs(Weigh(window, kFirstGradient)), std::abs(Weigh(window, kSecondGradient)));
  int v = edge < kEdgeThreshold ? 0 : 2 * a;
  if (v > 255) {
    v = 255;
  }
  if (v < kFaintLine) {
    v = 0;
  }
  return static_cast<std::uint8_t>(255 - v);
}

// Each pixel's grey is used by nine windows; work it out once.
Plane GreyPlane(const PixelImage& source) {
  Plane grey(source.pixelCount());
  const Pixel* pixels = source.pixels();
  for (std::size_t k = 0; k < grey.size(); ++k) {
    const Pixel p = pixels[k];
    grey[k] = static_cast<std::uint8_t>(WeightedGrey(RedOf(p), GreenOf(p), BlueOf(p)));
  }
  return grey;
}

void SketchWhole(const PixelImage& source, PixelImage& destination) {
  const int height = source.height;
  const int width = source.width;
  const auto stride = static_cast<std::size_t>(width);
  const auto rowOf = [stride](const Plane& plane, int i) { return plane.data() + i * stride; };

  const Plane grey = GreyPlane(source);
  Plane lines(grey.size(), 0);
  for (int i = 1; i < height - 1; ++i) {
    const std::uint8_t* window[3] = {rowOf(grey, i - 1), rowOf(grey, i), rowOf(grey, i + 1)};
    std::uint8_t* out = lines.data() + i * stride;
    for (int j = 1; j < width - 1; ++j) {
      out[j] = LineLevel(window);
      for (const std::uint8_t*& row : window) {
        ++row;
      }
    }
  }

  for (int i = 1; i < height - 1; ++i) {
    const std::uint8_t* window[3] = {rowOf(lines, i - 1), rowOf(lines, i), rowOf(lines, i + 1)};
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (int j = 1; j < width - 1; ++j) {
      const int t = Weigh(window, kBlur) / kBlurSum;
      out[j] = MakePixel(AlphaOf(in[j]), t, t, t);
      for (const std::uint8_t*& row : window) {
        ++row;
      }
    }
  }
}

// 12ths of a blurred sum, at most 12 * 255, as a multiply and a shift.
constexpr std::int32_t kTwelfthMultiplier = 5462;
static_assert(DivisionByMultiplyIsExact(kBlurSum, kTwelfthMultiplier, 16, kBlurSum * 255));

constexpr int kLanes = 16;
constexpr int kLanesWidth = kLanes + 2;  // narrowest image the lanes handle

// Needs width >= 8.
VANTORIA_INLINE void GreyRow(const Pixel* row, int width, std::int16_t* grey) {
  ForEachBlockBetween<8>(0, width, [&](int j) VANTORIA_KERNEL {
    simd::U32x8 pixels;
    simd::Load(pixels, row + j);
    simd::I32x8 levels;
    WeightedGrey8(levels, pixels);
    simd::Store(grey + j, __builtin_convertvector(levels, simd::I16x8));
  });
}

// T for one row from the grey rows above, at and below it; columns 0 and W-1 stay 0.
VANTORIA_INLINE void LineRow(const std::int16_t* above, const std::int16_t* row,
                             const std::int16_t* below, int width, std::int16_t* lines) {
  using simd::I16x16;
  lines[0] = 0;
  lines[width - 1] = 0;
  ForEachBlockBetween<kLanes>(1, width - 1, [&](int j) VANTORIA_KERNEL {
    I16x16 a0, a1, a2, b0, b1, b2, c0, c1, c2;
    simd::Load(a0, above + j - 1);
    simd::Load(a1, above + j);
    simd::Load(a2, above + j + 1);
    simd::Load(b0, row + j - 1);
    simd::Load(b1, row + j);
    simd::Load(b2, row + j + 1);
    simd::Load(c0, below + j - 1);
    simd::Load(c1, below + j);
    simd::Load(c2, below + j + 1);
    const I16x16 zero = {};
    const I16x16 centre = (a0 + a1 + a2 + b0 + b1 + b2 + c0 + c1 + c2) - b1 * 9;
    const I16x16 first = a0 + a1 - a2 + b0 - b2 + c0 - c1 - c2;
    const I16x16 second = a0 + a1 + a2 - b0 + b2 - c0 - c1 - c2;
    const I16x16 firstSize = first < zero ? -first : first;
    const I16x16 secondSize = second < zero ? -second : second;
    const I16x16 edge = firstSize > secondSize ? firstSize : secondSize;
    I16x16 v = edge < kEdgeThreshold ? zero : centre * 2;
    v = v > zero + 255 ? zero + 255 : v;
    v = v < kFaintLine ? zero : v;
    simd::Store(lines + j, 255 - v);
  });
}

// Destination row i from the line rows around it, alpha from the source row.
VANTORIA_INLINE void BlurRow(const std::int16_t* above, const std::int16_t* row,
                             const std::int16_t* below, const Pixel* in, Pixel* out, int width) {
  using simd::I16x16;
  using simd::U32x8;
  ForEachBlockBetween<kLanes>(1, width - 1, [&](int j) VANTORIA_KERNEL {
    I16x16 a0, a1, a2, b0, b1, b2, c0, c1, c2;
    simd::Load(a0, above + j - 1);
    simd::Load(a1, above + j);
    simd::Load(a2, above + j + 1);
    simd::Load(b0, row + j - 1);
    simd::Load(b1, row + j);
    simd::Load(b2, row + j + 1);
    simd::Load(c0, below + j - 1);
    simd::Load(c1, below + j);
    simd::Load(c2, below + j + 1);
    I16x16 level = (a0 + a1 + a2 + b0 + b1 * 4 + b2 + c0 + c1 + c2);
    MultiplyShift(level, kTwelfthMultiplier, 16);
    const auto low = __builtin_convertvector(
        __builtin_shufflevector(level, level, 0, 1, 2, 3, 4, 5, 6, 7), U32x8);
    const auto high = __builtin_convertvector(
        __builtin_shufflevector(level, level, 8, 9, 10, 11, 12, 13, 14, 15), U32x8);
    U32x8 pixelsLow;
    U32x8 pixelsHigh;
    simd::Load(pixelsLow, in + j);
    simd::Load(pixelsHigh, in + j + 8);
    simd::Store(out + j, (pixelsLow & 0xFF000000u) | (low * 0x00010101u));
    simd::Store(out + j + 8, (pixelsHigh & 0xFF000000u) | (high * 0x00010101u));
  });
}

// Three rows of one plane, reused in turn: row r lives in slot r % 3.
class RowRing {
 public:
  explicit RowRing(int width) : m_width(static_cast<std::size_t>(width)), m_rows(3 * m_width) {}
  std::int16_t* operator[](int r) {
    return m_rows.data() + static_cast<std::size_t>(r % 3) * m_width;
  }

 private:
  std::size_t m_width;
  std::vector<std::int16_t> m_rows;
};

// Destination rows first..end-1, all interior. Line row r is made when first - 1 <= r <= end,
// from grey rows made just in time; line rows 0 and H-1 are 0.
void SketchBand(const PixelImage& source, PixelImage& destination, int first, int end) {
  const int height = source.height;
  const int width = source.width;
  RowRing grey(width);
  RowRing lines(width);
  simd::RunVectorised([&]() VANTORIA_KERNEL {
    int nextGrey = std::max(first - 2, 0);
    for (int r = first - 1; r <= end; ++r) {
      if (r >= 1 && r <= height - 2) {
        for (; nextGrey <= r + 1; ++nextGrey) {
          GreyRow(source.rows[nextGrey], width, grey[nextGrey]);
        }
        LineRow(grey[r - 1], grey[r], grey[r + 1], width, lines[r]);
      } else {
        std::fill_n(lines[r], width, std::int16_t{0});
      }
      if (r >= first + 1) {
        BlurRow(lines[r - 2], lines[r - 1], lines[r], source.rows[r - 1], destination.rows[r - 1],
                width);
      }
    }
  });
}

}  // namespace

int Sketch(const PixelImage& source, PixelImage& destination) {
  if (source.height < 3 || source.width < 3) {
    return 1;
  }
  if (source.width < kLanesWidth) {
    SketchWhole(source, destination);
    return 1;
  }
  ForEachInteriorBand(source,
                      [&](int first, int end) { SketchBand(source, destination, first, end); });
  return 1;
}

}  // namespace vantoria
