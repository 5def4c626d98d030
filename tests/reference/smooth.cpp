// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Softening by a weighted average (box or Gaussian). For every pixel with a full 3 x 3 window
// (1 <= i < H - 1, 1 <= j < W - 1) and each of red, green and blue on its own:
//   result = (sum over u, w in 0..2 of kernel[u][w] * source(i - 1 + u, j - 1 + w)) / divisor,
// truncating toward zero and kept to its low 8 bits. No clamp: the kernels are non-negative
// and each divisor is its kernel's sum, so the average already lies in 0..255.
// Alpha comes from source(i, j). The outermost rows and columns are not written, so they keep
// whatever the destination held; images narrower or lower than 3 are left untouched.
// A divisor of 0 would divide by zero: nothing is written and 0 is returned.

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

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

}  // namespace

int SmoothWithKernel(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor) {
  if (divisor == 0) {
    return 0;
  }
  for (int i = 1; i < source.height - 1; ++i) {
    const Pixel* window[3] = {source.rows[i - 1], source.rows[i], source.rows[i + 1]};
    Pixel* out = destination.rows[i];
    for (int j = 1; j < source.width - 1; ++j) {
      out[j] = AveragePixel(window, kernel, divisor);
      for (const Pixel*& row : window) {
        ++row;
      }
    }
  }
  return 1;
}

}  // namespace vantoria::reference
