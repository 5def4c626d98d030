// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

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

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/channels.h"
#include "imaging/kernels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
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

}  // namespace

int Sketch(const PixelImage& source, PixelImage& destination) {
  const int height = source.height;
  const int width = source.width;
  if (height < 3 || width < 3) {
    return 1;
  }
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
  return 1;
}

}  // namespace vantoria::reference
