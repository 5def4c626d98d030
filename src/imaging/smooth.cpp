// Softening by a weighted average (box or Gaussian). For every pixel with a full 3 x 3 window
// (1 <= i < H - 1, 1 <= j < W - 1) and each of red, green and blue on its own:
//   result = (sum over u, w in 0..2 of kernel[u][w] * source(i - 1 + u, j - 1 + w)) / divisor,
// truncating toward zero and kept to its low 8 bits. No clamp: the kernels are non-negative
// and each divisor is its kernel's sum, so the average already lies in 0..255.
// Alpha comes from source(i, j). The outermost rows and columns are not written, so they keep
// whatever the destination held; images narrower or lower than 3 are left untouched.
// A divisor of 0 would divide by zero: nothing is written and 0 is returned.
// The box and the Gaussian with their own divisors run as column sums then row sums in 16-bit
// lanes; any other kernel runs pixel by pixel.

#include <cstdint>
#include <vector>

#include "imaging/channels.h"
#include "imaging/filter_ops.h"
#include "imaging/kernels.h"
#include "imaging/window_rows.h"

namespace vantoria {
namespace {

// A box sum is at most 9 * 255; dividing it by 9 is a multiply and a shift.
constexpr std::int32_t kNinthMultiplier = 7282;
static_assert(DivisionByMultiplyIsExact(9, kNinthMultiplier, 16, 9 * 255));

// window[u] points at column j - 1 of source row i - 1 + u.
Pixel AveragePixel(const Pixel* const window[3], const Kernel3& kernel, int divisor) {
  int red = 0;
  int green = 0;
  int blue = 0;
  for (int u = 0; u < 3; ++u) {
    for (int w = 0; w < 3; ++w) {
      const Pixel p = window[u][w];
      red += kernel[u][w] * RedOf(p);
      green += kernel[u][w] * GreenOf(p);
      blue += kernel[u][w] * BlueOf(p);
    }
  }
  return MakePixel(AlphaOf(window[1][1]), red / divisor, green / divisor, blue / divisor);
}

void AverageRow(const PixelImage& source, Pixel* out, int i, const Kernel3& kernel, int divisor) {
  const Pixel* window[3] = {source.rows[i - 1], source.rows[i], source.rows[i + 1]};
  for (int j = 1; j < source.width - 1; ++j) {
    out[j] = AveragePixel(window, kernel, divisor);
    for (const Pixel*& row : window) {
      ++row;
    }
  }
}

// kMiddle 1: the box; 2: the Gaussian (1 2 1 down, then 1 2 1 across). Needs W >= 6.
template <int kMiddle>
VANTORIA_INLINE void AverageRowInLanes(const PixelImage& source, Pixel* out, int i,
                                       std::int16_t* sums) {
  const Pixel* row = source.rows[i];
  ColumnSums<kMiddle>(source.rows[i - 1], row, source.rows[i + 1], source.width, sums);
  ForEachBlockBetween<4>(1, source.width - 1, [&](int j) VANTORIA_KERNEL {
    simd::I16x16 left;
    simd::I16x16 middle;
    simd::I16x16 right;
    simd::Load(left, sums + 4 * (j - 1));
    simd::Load(middle, sums + 4 * j);
    simd::Load(right, sums + 4 * (j + 1));
    simd::I16x16 average = left + middle * static_cast<std::int16_t>(kMiddle) + right;
    if constexpr (kMiddle == 2) {
      average = average >> 4;  // a sum of at most 16 * 255, never negative
    } else {
      MultiplyShift(average, kNinthMultiplier, 16);
    }
    simd::I16x16 centre;
    LoadWide(centre, row + j);
    KeepAlpha(average, centre);
    StoreNarrow(out + j, average);
  });
}

template <int kMiddle>
void AverageInLanes(const PixelImage& source, PixelImage& destination) {
  ForEachInteriorBand(source, [&](int first, int end) {
    std::vector<std::int16_t> sums(4 * static_cast<std::size_t>(source.width));
    simd::RunVectorised([&]() VANTORIA_KERNEL {
      for (int i = first; i < end; ++i) {
        AverageRowInLanes<kMiddle>(source, destination.rows[i], i, sums.data());
      }
    });
  });
}

}  // namespace

int SmoothWithKernel(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor) {
  if (divisor == 0) {
    return 0;
  }
  const bool lanesFit = source.width >= 6;  // at least one block of four interior columns
  if (lanesFit && kernel == kSmoothKernels[0] && divisor == kSmoothDivisors[0]) {
    AverageInLanes<1>(source, destination);
  } else if (lanesFit && kernel == kSmoothKernels[1] && divisor == kSmoothDivisors[1]) {
    AverageInLanes<2>(source, destination);
  } else {
    ForEachInteriorBand(source, [&](int first, int end) {
      for (int i = first; i < end; ++i) {
        AverageRow(source, destination.rows[i], i, kernel, divisor);
      }
    });
  }
  return 1;
}

}  // namespace vantoria
