// Laplacian sharpening. For every pixel with a full 3 x 3 window (1 <= i < H - 1,
// 1 <= j < W - 1) and each of red, green and blue on its own:
//   s      = sum over u, w in 0..2 of kernel[u][w] * source(i - 1 + u, j - 1 + w)
//   result = clamp(source(i, j) + s / divisor) to 0..255, the division truncating toward zero.
// Alpha comes from source(i, j). The outermost rows and columns are not written, so they keep
// whatever the destination held; images narrower or lower than 3 are left untouched.
// A divisor of 0 would divide by zero: nothing is written and 0 is returned.
// The standard kernel with its divisor 3 runs in 16-bit lanes: its s is 9 * centre minus the
// window's sum. Any other kernel runs pixel by pixel.

#include <cstdint>
#include <vector>

#include "imaging/channels.h"
#include "imaging/filter_ops.h"
#include "imaging/kernels.h"
#include "imaging/window_rows.h"

namespace vantoria {
namespace {

// s / 3 toward zero as ((s * 21846) >> 16) - (s >> 31), with >> rounding down; exact for every
// s the kernel can make, -8 * 255..8 * 255 (checked here for all).
constexpr std::int32_t kThirdMultiplier = 21846;
constexpr bool ThirdTowardZeroIsExact() {
  for (std::int32_t s = -8 * 255; s <= 8 * 255; ++s) {
    if (((s * kThirdMultiplier) >> 16) - (s >> 31) != s / 3) {
      return false;
    }
  }
  return true;
}
static_assert(ThirdTowardZeroIsExact());

// window[u] points at column j - 1 of source row i - 1 + u.
Pixel SharpenPixel(const Pixel* const window[3], const Kernel3& kernel, int divisor) {
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
  const Pixel centre = window[1][1];
  return MakePixel(AlphaOf(centre), Clamp255(RedOf(centre) + red / divisor),
                   Clamp255(GreenOf(centre) + green / divisor),
                   Clamp255(BlueOf(centre) + blue / divisor));
}

void SharpenRow(const PixelImage& source, Pixel* out, int i, const Kernel3& kernel, int divisor) {
  const Pixel* window[3] = {source.rows[i - 1], source.rows[i], source.rows[i + 1]};
  for (int j = 1; j < source.width - 1; ++j) {
    out[j] = SharpenPixel(window, kernel, divisor);
    for (const Pixel*& row : window) {
      ++row;
    }
  }
}

// Needs W >= 6.
VANTORIA_INLINE void SharpenRowInLanes(const PixelImage& source, Pixel* out, int i,
                                       std::int16_t* sums) {
  const Pixel* row = source.rows[i];
  ColumnSums<1>(source.rows[i - 1], row, source.rows[i + 1], source.width, sums);
  ForEachBlockBetween<4>(1, source.width - 1, [&](int j) VANTORIA_KERNEL {
    simd::I16x16 left;
    simd::I16x16 middle;
    simd::I16x16 right;
    simd::I16x16 centre;
    simd::Load(left, sums + 4 * (j - 1));
    simd::Load(middle, sums + 4 * j);
    simd::Load(right, sums + 4 * (j + 1));
    LoadWide(centre, row + j);
    const simd::I16x16 laplacian = centre * 9 - (left + middle + right);
    simd::I16x16 third = laplacian;
    MultiplyShift(third, kThirdMultiplier, 16);
    simd::I16x16 sharpened = centre + (third - (laplacian >> 15));
    Clamp255Lanes(sharpened);
    KeepAlpha(sharpened, centre);
    StoreNarrow(out + j, sharpened);
  });
}

}  // namespace

int SharpenLaplacian(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor) {
  if (divisor == 0) {
    return 0;
  }
  if (source.width >= 6 && kernel == kSharpenKernel && divisor == kSharpenDivisor) {
    ForEachInteriorBand(source, [&](int first, int end) {
      std::vector<std::int16_t> sums(4 * static_cast<std::size_t>(source.width));
      simd::RunVectorised([&]() VANTORIA_KERNEL {
        for (int i = first; i < end; ++i) {
          SharpenRowInLanes(source, destination.rows[i], i, sums.data());
        }
      });
    });
    return 1;
  }
  ForEachInteriorBand(source, [&](int first, int end) {
    for (int i = first; i < end; ++i) {
      SharpenRow(source, destination.rows[i], i, kernel, divisor);
    }
  });
  return 1;
}

}  // namespace vantoria
