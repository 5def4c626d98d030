// The AVX2 build of the resize's and the rotation's inner loops (see bilinear_rows.h). Every
// step is the same IEEE operation as in the portable build: multiplies and adds stay separate
// (no FMA is enabled, and contraction is off), and the saturating packs only ever see values
// in 0..255, where they keep the value as it is.

#include "imaging/bilinear_rows.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

namespace vantoria {
namespace {

#define VANTORIA_AVX2 __attribute__((target("avx2")))

// Two neighbouring pixels' channels as eight int32 lanes: the near pixel's, then the far one's.
VANTORIA_AVX2 inline __m256i PairLanes(const Pixel* pair) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pair)));
}

// trunc(near * nearWeight + far * farWeight) on each of four lanes.
VANTORIA_AVX2 inline __m128i BlendToInts(__m256d near, __m256d nearWeight, __m256d far,
                                         __m256d farWeight) {
  return _mm256_cvttpd_epi32(
      _mm256_add_pd(_mm256_mul_pd(near, nearWeight), _mm256_mul_pd(far, farWeight)));
}

// The same, back as doubles: rounding toward zero in place gives the very doubles that
// converting the truncated ints back would.
VANTORIA_AVX2 inline __m256d Blend(__m256d near, __m256d nearWeight, __m256d far,
                                   __m256d farWeight) {
  return _mm256_round_pd(
      _mm256_add_pd(_mm256_mul_pd(near, nearWeight), _mm256_mul_pd(far, farWeight)),
      _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}

VANTORIA_AVX2 inline __m256d BlendPair(const Pixel* pair, __m256d nearWeight, __m256d farWeight) {
  const __m256i lanes = PairLanes(pair);
  return Blend(_mm256_cvtepi32_pd(_mm256_castsi256_si128(lanes)), nearWeight,
               _mm256_cvtepi32_pd(_mm256_extracti128_si256(lanes, 1)), farWeight);
}

// Four channels, each 0..255, into a pixel.
VANTORIA_AVX2 inline Pixel PixelOfInts(__m128i channels) {
  const __m128i words = _mm_packus_epi32(channels, channels);
  return static_cast<Pixel>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

VANTORIA_AVX2 void BlendAcross(const Pixel* sourceRow, const std::int32_t* left,
                               const double* nearWeight, const double* farWeight, std::size_t count,
                               double* channels) {
  for (std::size_t k = 0; k < count; ++k) {
    const __m256d blended = BlendPair(sourceRow + left[k], _mm256_broadcast_sd(nearWeight + k),
                                      _mm256_broadcast_sd(farWeight + k));
    _mm256_storeu_pd(channels + 4 * k, blended);
  }
}

VANTORIA_AVX2 void BlendDown(const double* upper, const double* lower, double fraction,
                             std::size_t count, Pixel* out) {
  const __m256d farWeight = _mm256_set1_pd(fraction);
  const __m256d nearWeight = _mm256_set1_pd(1.0 - fraction);
  std::size_t k = 0;
  for (; k + 2 <= count; k += 2) {
    const __m256d first = Blend(_mm256_loadu_pd(upper + 4 * k), nearWeight,
                                _mm256_loadu_pd(lower + 4 * k), farWeight);
    const __m256d second = Blend(_mm256_loadu_pd(upper + 4 * k + 4), nearWeight,
                                 _mm256_loadu_pd(lower + 4 * k + 4), farWeight);
    const __m128i words = _mm_packus_epi32(_mm256_cvttpd_epi32(first), _mm256_cvttpd_epi32(second));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(words, words));
  }
  if (k < count) {
    out[k] = PixelOfInts(BlendToInts(_mm256_loadu_pd(upper + 4 * k), nearWeight,
                                     _mm256_loadu_pd(lower + 4 * k), farWeight));
  }
}

VANTORIA_AVX2 void CopyDown(const double* upper, std::size_t count, Pixel* out) {
  for (std::size_t k = 0; k < count; ++k) {
    out[k] = PixelOfInts(_mm256_cvttpd_epi32(_mm256_loadu_pd(upper + 4 * k)));
  }
}

struct BlendFour {
  const PixelImage& source;

  VANTORIA_AVX2 inline Pixel operator()(std::int32_t x0, std::int32_t y0, double fx,
                                        double fy) const {
    const __m256d right = _mm256_set1_pd(fx);
    const __m256d left = _mm256_set1_pd(1.0 - fx);
    const __m256d top = BlendPair(source.rows[y0] + x0, left, right);
    const __m256d bottom = BlendPair(source.rows[y0 + 1] + x0, left, right);
    return PixelOfInts(BlendToInts(top, _mm256_set1_pd(1.0 - fy), bottom, _mm256_set1_pd(fy)));
  }

  // The same with the fractions read from memory.
  VANTORIA_AVX2 inline Pixel Lanes(std::int32_t x0, std::int32_t y0, const double* fx,
                                   const double* fy, __m256d one) const {
    const __m256d right = _mm256_broadcast_sd(fx);
    const __m256d down = _mm256_broadcast_sd(fy);
    const __m256d left = _mm256_sub_pd(one, right);
    const __m256d top = BlendPair(source.rows[y0] + x0, left, right);
    const __m256d bottom = BlendPair(source.rows[y0 + 1] + x0, left, right);
    return PixelOfInts(BlendToInts(top, _mm256_sub_pd(one, down), bottom, down));
  }
};

// Four columns at a time: positions, floors and fractions as vectors; when all four lie between
// four source pixels and none at an exact position, each is blended directly, otherwise every
// one of them goes through SampleWith, which gives the same pixels.
VANTORIA_AVX2 void RotateRow(const RotationRow& row, Pixel* out) {
  const PixelImage& source = *row.source;
  const BlendFour blend{source};
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d minusOne = _mm256_set1_pd(-1.0);
  const __m256d width = _mm256_set1_pd(row.sourceWidth);
  const __m256d height = _mm256_set1_pd(row.sourceHeight);
  const __m256d lastX = _mm256_set1_pd(row.sourceWidth - 1.0);
  const __m256d lastY = _mm256_set1_pd(row.sourceHeight - 1.0);
  const __m256d exactLimit = _mm256_set1_pd(static_cast<double>(0.001f));
  const __m256d rowX = _mm256_set1_pd(row.rowSn);
  const __m256d rowY = _mm256_set1_pd(row.rowCs);
  const __m256d ox = _mm256_set1_pd(row.ox);
  const __m256d oy = _mm256_set1_pd(row.oy);
  alignas(32) double xs[4];
  alignas(32) double ys[4];
  alignas(32) double fxs[4];
  alignas(32) double fys[4];
  alignas(16) std::int32_t x0s[4];
  alignas(16) std::int32_t y0s[4];
  std::size_t j = 0;
  for (; j + 4 <= row.count; j += 4) {
    const __m256d x = _mm256_add_pd(_mm256_add_pd(rowX, _mm256_loadu_pd(row.columnCs + j)), ox);
    const __m256d y = _mm256_add_pd(_mm256_sub_pd(rowY, _mm256_loadu_pd(row.columnSn + j)), oy);
    const __m256d floorX = _mm256_floor_pd(x);
    const __m256d floorY = _mm256_floor_pd(y);
    const __m256d fx = _mm256_sub_pd(x, floorX);
    const __m256d fy = _mm256_sub_pd(y, floorY);
    const __m256d interior = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(x, zero, _CMP_GE_OQ), _mm256_cmp_pd(x, lastX, _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(y, zero, _CMP_GE_OQ), _mm256_cmp_pd(y, lastY, _CMP_LT_OQ)));
    const __m256d exact = _mm256_and_pd(_mm256_cmp_pd(fx, exactLimit, _CMP_LT_OQ),
                                        _mm256_cmp_pd(fy, exactLimit, _CMP_LT_OQ));
    if (_mm256_movemask_pd(_mm256_andnot_pd(exact, interior)) == 0xF) {
      _mm_store_si128(reinterpret_cast<__m128i*>(x0s), _mm256_cvttpd_epi32(floorX));
      _mm_store_si128(reinterpret_cast<__m128i*>(y0s), _mm256_cvttpd_epi32(floorY));
      _mm256_store_pd(fxs, fx);
      _mm256_store_pd(fys, fy);
      for (int lane = 0; lane < 4; ++lane) {
        out[j + lane] = blend.Lanes(x0s[lane], y0s[lane], fxs + lane, fys + lane, one);
      }
      continue;
    }
    // More than a pixel outside the source on either axis: white, as the sampler answers.
    const __m256d near = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(x, minusOne, _CMP_GE_OQ), _mm256_cmp_pd(x, width, _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(y, minusOne, _CMP_GE_OQ),
                      _mm256_cmp_pd(y, height, _CMP_LT_OQ)));
    if (_mm256_movemask_pd(near) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_set1_epi32(-1));
      continue;
    }
    _mm256_store_pd(xs, x);
    _mm256_store_pd(ys, y);
    for (int lane = 0; lane < 4; ++lane) {
      out[j + lane] =
          SampleWith(source, row.sourceWidth, row.sourceHeight, xs[lane], ys[lane], blend);
    }
  }
  for (; j < row.count; ++j) {
    out[j] = SampleWith(source, row.sourceWidth, row.sourceHeight,
                        (row.rowSn + row.columnCs[j]) + row.ox,
                        (row.rowCs - row.columnSn[j]) + row.oy, blend);
  }
}

#undef VANTORIA_AVX2

constexpr BilinearRowKernels kAvx2Kernels = {BlendAcross, BlendDown, CopyDown, RotateRow};

}  // namespace

const BilinearRowKernels* Avx2BilinearRowKernels() {
  return &kAvx2Kernels;
}

}  // namespace vantoria

#else

namespace vantoria {

const BilinearRowKernels* Avx2BilinearRowKernels() {
  return nullptr;
}

}  // namespace vantoria

#endif
