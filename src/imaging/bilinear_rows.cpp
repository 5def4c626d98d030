#include "imaging/bilinear_rows.h"

#include "imaging/simd.h"

namespace vantoria {
namespace {

void BlendAcross(const Pixel* sourceRow, const std::int32_t* left, const double* nearWeight,
                 const double* farWeight, std::size_t count, double* channels) {
  for (std::size_t k = 0; k < count; ++k) {
    simd::F64x4 near;
    simd::F64x4 far;
    simd::F64x4 nearLanes;
    simd::F64x4 farLanes;
    ChannelsOfPair(near, far, sourceRow + left[k]);
    simd::Splat(nearLanes, nearWeight[k]);
    simd::Splat(farLanes, farWeight[k]);
    simd::F64x4 blended;
    simd::ToDouble(blended, BlendChannels(near, nearLanes, far, farLanes));
    simd::Store(channels + 4 * k, blended);
  }
}

void BlendDown(const double* upper, const double* lower, double fraction, std::size_t count,
               Pixel* out) {
  simd::F64x4 farWeight;
  simd::F64x4 nearWeight;
  simd::Splat(farWeight, fraction);
  simd::Splat(nearWeight, 1.0 - fraction);
  for (std::size_t k = 0; k < count; ++k) {
    simd::F64x4 top;
    simd::F64x4 bottom;
    simd::Load(top, upper + 4 * k);
    simd::Load(bottom, lower + 4 * k);
    out[k] = PixelOf(BlendChannels(top, nearWeight, bottom, farWeight));
  }
}

void CopyDown(const double* upper, std::size_t count, Pixel* out) {
  for (std::size_t k = 0; k < count; ++k) {
    simd::F64x4 top;
    simd::Load(top, upper + 4 * k);
    out[k] = PixelOf(__builtin_convertvector(top, simd::I32x4));
  }
}

struct BlendFour {
  const PixelImage& source;

  VANTORIA_INLINE Pixel operator()(std::int32_t x0, std::int32_t y0, double fx, double fy) const {
    simd::F64x4 right;
    simd::F64x4 left;
    simd::F64x4 down;
    simd::F64x4 up;
    simd::Splat(right, fx);
    simd::Splat(left, 1.0 - fx);
    simd::Splat(down, fy);
    simd::Splat(up, 1.0 - fy);
    simd::F64x4 a;
    simd::F64x4 b;
    ChannelsOfPair(a, b, source.rows[y0] + x0);
    simd::F64x4 top;
    simd::ToDouble(top, BlendChannels(a, left, b, right));
    ChannelsOfPair(a, b, source.rows[y0 + 1] + x0);
    simd::F64x4 bottom;
    simd::ToDouble(bottom, BlendChannels(a, left, b, right));
    return PixelOf(BlendChannels(top, up, bottom, down));
  }
};

void RotateRow(const RotationRow& row, Pixel* out) {
  const BlendFour blend{*row.source};
  for (std::size_t j = 0; j < row.count; ++j) {
    out[j] = SampleWith(*row.source, row.sourceWidth, row.sourceHeight,
                        (row.rowSn + row.columnCs[j]) + row.ox,
                        (row.rowCs - row.columnSn[j]) + row.oy, blend);
  }
}

constexpr BilinearRowKernels kPortableKernels = {BlendAcross, BlendDown, CopyDown, RotateRow};

}  // namespace

const BilinearRowKernels& ActiveBilinearRowKernels() {
  const BilinearRowKernels* avx2 = Avx2BilinearRowKernels();
  if (avx2 && simd::ActiveVectorLevel() == simd::VectorLevel::kAvx2) {
    return *avx2;
  }
  return kPortableKernels;
}

}  // namespace vantoria
