// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// SampleBilinear(source, x, y), x a column and y a row; pixel (i, j) sits at x = j, y = i.
//   x0 = floor(x), y0 = floor(y), fx = x - x0, fy = y - y0.
//   1. fx < 0.001f and fy < 0.001f (the single-precision value, compared in double) with
//      (x0, y0) inside the image: pixel (y0, x0) unchanged.
//   2. x0 outside [-1, W-1] or y0 outside [-1, H-1]: opaque white.
//   3. Corners (x0 in {-1, W-1} and y0 in {-1, H-1}): the nearest corner pixel.
//   4. Bands one pixel wide outside each edge (x0 or y0 at -1 or at the last index):
//      Blend(edge pixel at x0, 1 - fx, edge pixel at x0 + 1, fx) along the top / bottom row,
//      likewise with fy down the left / right column.
//   5. Interior: top = Blend(P(y0,x0), 1-fx, P(y0,x0+1), fx), bottom likewise on row y0 + 1,
//      result = Blend(top, 1 - fy, bottom, fy), the row results already truncated to 8 bits.
// An image with no pixels samples white everywhere: its bands would have nothing to read.

#include <cmath>
#include <cstdint>

#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFFu;
constexpr double kExactLimit = static_cast<double>(0.001f);

Pixel Between(Pixel near, Pixel far, double fraction) {
  return BlendPixels(near, 1.0 - fraction, far, fraction);
}

// Checked on the floors as doubles, so the later conversion to int is always in range (and a
// NaN coordinate counts as outside).
bool WithinOnePixel(double floorValue, std::int32_t size) {
  return floorValue >= -1.0 && floorValue <= static_cast<double>(size) - 1.0;
}

}  // namespace

Pixel SampleBilinear(const PixelImage& source, double x, double y) {
  const std::int32_t width = source.width;
  const std::int32_t height = source.height;
  const double floorX = std::floor(x);
  const double floorY = std::floor(y);
  // An exact position always lies inside, so testing "outside" first gives the same answers.
  if (width <= 0 || height <= 0 || !WithinOnePixel(floorX, width) ||
      !WithinOnePixel(floorY, height)) {
    return kWhite;
  }
  const int x0 = static_cast<int>(floorX);
  const int y0 = static_cast<int>(floorY);
  const double fx = x - floorX;
  const double fy = y - floorY;
  if (fx < kExactLimit && fy < kExactLimit && x0 >= 0 && y0 >= 0) {
    return source.rows[y0][x0];
  }
  const bool edgeX = x0 == -1 || x0 == width - 1;
  const bool edgeY = y0 == -1 || y0 == height - 1;
  const int nearX = x0 < 0 ? 0 : x0;  // the column or row a band outside an edge repeats
  const int nearY = y0 < 0 ? 0 : y0;
  if (edgeX && edgeY) {
    return source.rows[nearY][nearX];
  }
  if (edgeY) {
    const Pixel* row = source.rows[nearY];
    return Between(row[x0], row[x0 + 1], fx);
  }
  if (edgeX) {
    return Between(source.rows[y0][nearX], source.rows[y0 + 1][nearX], fy);
  }
  const Pixel* upper = source.rows[y0];
  const Pixel* lower = source.rows[y0 + 1];
  return Between(Between(upper[x0], upper[x0 + 1], fx), Between(lower[x0], lower[x0 + 1], fx), fy);
}

}  // namespace vantoria::reference
