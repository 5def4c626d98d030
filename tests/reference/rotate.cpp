// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// RotateImage(source, theta degrees, clockwise on screen):
//   r = (theta * 3.14159265358979) / 180.0, sn = sin r, cs = cos r; W, H as doubles.
//   e1 = |H*cs + W*sn|, e2 = |H*cs - W*sn|, e3 = |H*sn + W*cs|, e4 = |H*sn - W*cs|
//   H' = trunc(max(e1, e2) + 1.5), W' = trunc(max(e3, e4) + 1.5)  (so 0 degrees adds a pixel)
//   ox = (W/2.0 - (cs*W')/2.0) - (sn*H')/2.0, oy = (H/2.0 + (sn*W')/2.0) - (cs*H')/2.0
//   destination (i, j) = SampleBilinear(source, (i*sn + j*cs) + ox, (i*cs - j*sn) + oy)
// The source centre lands on the destination centre; positions more than a pixel outside the
// source sample white, which fills the corners. A size that does not fit an int (only for
// absurd sources or a non-finite angle) is treated like a failed allocation.

#include <cmath>
#include <cstdint>
#include <optional>

#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

constexpr double kPi = 3.14159265358979;  // deliberately the 15-digit value

double Magnitude(double value) {
  return value < 0.0 ? value * -1.0 : value;
}

// trunc(max(a, b) + 1.5), or nothing when that is not a representable size.
std::optional<std::int32_t> Extent(double a, double b) {
  const double span = (a < b ? b : a) + 1.5;
  if (!(span < 2147483648.0)) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(span);
}

}  // namespace

ImagePtr RotateImage(const PixelImage& source, double degrees) {
  const double r = (degrees * kPi) / 180.0;
  const double sn = std::sin(r);
  const double cs = std::cos(r);
  const double w = static_cast<double>(source.width);
  const double h = static_cast<double>(source.height);
  const auto newHeight = Extent(Magnitude(h * cs + w * sn), Magnitude(h * cs - w * sn));
  const auto newWidth = Extent(Magnitude(h * sn + w * cs), Magnitude(h * sn - w * cs));
  if (!newHeight || !newWidth) {
    return nullptr;
  }
  ImagePtr result = CreateImage(*newHeight, *newWidth);
  if (!result) {
    return nullptr;
  }
  const double wNew = static_cast<double>(*newWidth);
  const double hNew = static_cast<double>(*newHeight);
  const double ox = (w / 2.0 - (cs * wNew) / 2.0) - (sn * hNew) / 2.0;
  const double oy = (h / 2.0 + (sn * wNew) / 2.0) - (cs * hNew) / 2.0;
  for (std::int32_t i = 0; i < result->height; ++i) {
    const double rowSn = static_cast<double>(i) * sn;
    const double rowCs = static_cast<double>(i) * cs;
    Pixel* row = result->rows[i];
    for (std::int32_t j = 0; j < result->width; ++j) {
      const double column = static_cast<double>(j);
      row[j] = SampleBilinear(source, (rowSn + column * cs) + ox, (rowCs - column * sn) + oy);
    }
  }
  return result;
}

}  // namespace vantoria::reference
