#pragma once

// The inner loops of the resize and the rotation, in two builds chosen at run time: portable
// (compiler vector extensions) and AVX2 (intrinsics, where the compiler's own lowering of
// byte-to-double conversions costs several times the instructions). Both do exactly
// BlendPixels' arithmetic: per channel, trunc(near * (1 - f) + far * f) in double.

#include <cstddef>
#include <cstdint>

#include "core/pixel_image.h"
#include "imaging/bilinear_taps.h"

namespace vantoria {

// One destination row of a rotation: column j samples at
// ((rowSn + columnCs[j]) + ox, (rowCs - columnSn[j]) + oy).
struct RotationRow {
  const PixelImage* source;
  double rowSn;
  double rowCs;
  const double* columnCs;
  const double* columnSn;
  double ox;
  double oy;
  std::size_t count;
  double sourceWidth;
  double sourceHeight;
};

struct BilinearRowKernels {
  // channels[4k..4k+3] = the blend of sourceRow[left[k]] and sourceRow[left[k] + 1] with
  // weights nearWeight[k], farWeight[k], truncated, as doubles.
  void (*blendAcross)(const Pixel* sourceRow, const std::int32_t* left, const double* nearWeight,
                      const double* farWeight, std::size_t count, double* channels);
  // out[k] = the blend of upper[4k..] and lower[4k..] with weights 1 - fraction, fraction.
  void (*blendDown)(const double* upper, const double* lower, double fraction, std::size_t count,
                    Pixel* out);
  // out[k] = upper[4k..] as a pixel.
  void (*copyDown)(const double* upper, std::size_t count, Pixel* out);
  void (*rotateRow)(const RotationRow& row, Pixel* out);
};

// The kernels for the active vector level.
const BilinearRowKernels& ActiveBilinearRowKernels();
// The AVX2 kernels; null where they do not exist (other processors, other architectures).
const BilinearRowKernels* Avx2BilinearRowKernels();

// SampleBilinear(source, x, y) with `blend(x0, y0, fx, fy)` doing the blend between four source
// pixels. Positions between four pixels (0 <= x < W-1 is 0 <= floor(x) <= W-2) and not at an
// exact one are blended; positions more than a pixel outside (floor(x) >= -1 is x >= -1,
// floor(x) <= W-1 is x < W) are white; the rest take the sampler's own path.
// `width` and `height` are the source's, as doubles.
template <typename Blend>
VANTORIA_INLINE Pixel SampleWith(const PixelImage& source, double width, double height, double x,
                                 double y, const Blend& blend) {
  constexpr double kExactLimit = static_cast<double>(0.001f);
  if (x >= 0.0 && x < width - 1.0 && y >= 0.0 && y < height - 1.0) {
    const double floorX = std::floor(x);
    const double floorY = std::floor(y);
    const double fx = x - floorX;
    const double fy = y - floorY;
    if (!(fx < kExactLimit && fy < kExactLimit)) {
      return blend(static_cast<std::int32_t>(floorX), static_cast<std::int32_t>(floorY), fx, fy);
    }
  }
  if (!(x >= -1.0 && x < width && y >= -1.0 && y < height)) {
    return kSampleWhite;
  }
  return SampleTaps(source, MakeTap(x, source.width), MakeTap(y, source.height));
}

}  // namespace vantoria
