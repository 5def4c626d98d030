#include "imaging/display_blend.h"

#include "imaging/parallel_rows.h"
#include "imaging/pixel_spans.h"
#include "imaging/simd.h"

namespace vantoria {
namespace {

// Four pixels in 16-bit lanes: t = c * A + 128, then (t + (t >> 8)) >> 8 is c * A / 255
// rounded to nearest for every c and A in 0..255, and no step passes 65535.
struct OverBlackBlock {
  VANTORIA_INLINE void operator()(const Pixel* in, Pixel* out) const {
    using simd::U16x16;
    simd::U8x16 bytes;
    simd::Load(bytes, in);
    const U16x16 channels = __builtin_convertvector(bytes, U16x16);
    const U16x16 alpha = __builtin_shufflevector(channels, channels, 3, 3, 3, 3, 7, 7, 7, 7, 11, 11,
                                                 11, 11, 15, 15, 15, 15);
    const U16x16 t = channels * alpha + 128;
    const U16x16 blended = (t + (t >> 8)) >> 8;
    simd::U32x4 pixels = (simd::U32x4) __builtin_convertvector(blended, simd::U8x16);
    simd::Store(out, pixels | 0xFF000000u);
  }
};

}  // namespace

void BlendOverBlack(const PixelImage& image, std::uint8_t* bits, std::ptrdiff_t bytesPerLine) {
  const std::int32_t width = image.width;
  if (width <= 0) {
    return;
  }
  ParallelRows(
      image.height, static_cast<std::size_t>(width), [&](std::int32_t first, std::int32_t end) {
        simd::RunVectorised([&]() VANTORIA_KERNEL {
          for (std::int32_t i = first; i < end; ++i) {
            auto* out = reinterpret_cast<Pixel*>(bits + i * bytesPerLine);
            ForEachBlock<4>(image.rows[i], out, static_cast<std::size_t>(width), OverBlackBlock{});
          }
        });
      });
}

}  // namespace vantoria
