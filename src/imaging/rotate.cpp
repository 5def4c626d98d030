// RotateImage(source, theta degrees, clockwise on screen):
//   r = (theta * 3.14159265358979) / 180.0, sn = sin r, cs = cos r; W, H as doubles.
//   e1 = |H*cs + W*sn|, e2 = |H*cs - W*sn|, e3 = |H*sn + W*cs|, e4 = |H*sn - W*cs|
//   H' = trunc(max(e1, e2) + 1.5), W' = trunc(max(e3, e4) + 1.5)  (so 0 degrees adds a pixel)
//   ox = (W/2.0 - (cs*W')/2.0) - (sn*H')/2.0, oy = (H/2.0 + (sn*W')/2.0) - (cs*H')/2.0
//   destination (i, j) = SampleBilinear(source, (i*sn + j*cs) + ox, (i*cs - j*sn) + oy)
// The source centre lands on the destination centre; positions more than a pixel outside the
// source sample white, which fills the corners. A size that does not fit an int (only for
// absurd sources or a non-finite angle) is treated like a failed allocation.
// Each column's j*cs and j*sn are made once; positions between four source pixels blend all
// four channels at once, every other position takes the sampler's own path. Quarter turns
// take their integer form (quarter_turn.cpp).

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/bilinear_rows.h"
#include "imaging/geometry_ops.h"
#include "imaging/parallel_rows.h"
#include "imaging/quarter_turn.h"

namespace vantoria {
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

std::optional<TurnedSize> RotatedSize(std::int32_t width, std::int32_t height, double degrees) {
  const double r = (degrees * kPi) / 180.0;
  const double sn = std::sin(r);
  const double cs = std::cos(r);
  const double w = static_cast<double>(width);
  const double h = static_cast<double>(height);
  const auto newHeight = Extent(Magnitude(h * cs + w * sn), Magnitude(h * cs - w * sn));
  const auto newWidth = Extent(Magnitude(h * sn + w * cs), Magnitude(h * sn - w * cs));
  if (!newHeight || !newWidth) {
    return std::nullopt;
  }
  return TurnedSize{*newWidth, *newHeight};
}

ImagePtr RotateImage(const PixelImage& source, double degrees) {
  const double r = (degrees * kPi) / 180.0;
  const double sn = std::sin(r);
  const double cs = std::cos(r);
  const double w = static_cast<double>(source.width);
  const double h = static_cast<double>(source.height);
  const std::optional<TurnedSize> size = RotatedSize(source.width, source.height, degrees);
  if (!size) {
    return nullptr;
  }
  // Every pixel is written below, so the new image starts uninitialised.
  ImagePtr result = AllocateImage(size->height, size->width);
  if (!result) {
    return nullptr;
  }
  const double wNew = static_cast<double>(size->width);
  const double hNew = static_cast<double>(size->height);
  const double ox = (w / 2.0 - (cs * wNew) / 2.0) - (sn * hNew) / 2.0;
  const double oy = (h / 2.0 + (sn * wNew) / 2.0) - (cs * hNew) / 2.0;
  std::vector<double> columnCs(static_cast<std::size_t>(size->width));
  std::vector<double> columnSn(columnCs.size());
  for (std::size_t j = 0; j < columnCs.size(); ++j) {
    columnCs[j] = static_cast<double>(j) * cs;
    columnSn[j] = static_cast<double>(j) * sn;
  }
  PixelImage& turned = *result;
  if (IsQuarterTurn(sn, cs)) {
    const RotationFrame frame{&source, sn, cs, ox, oy, columnCs.data(), columnSn.data()};
    ParallelRows(turned.height, columnCs.size(), [&](std::int32_t first, std::int32_t end) {
      QuarterTurnRows(frame, first, end, turned);
    });
    return result;
  }
  const BilinearRowKernels& kernels = ActiveBilinearRowKernels();
  ParallelRows(turned.height, columnCs.size(), [&](std::int32_t first, std::int32_t end) {
    for (std::int32_t i = first; i < end; ++i) {
      const RotationRow row{.source = &source,
                            .rowSn = static_cast<double>(i) * sn,
                            .rowCs = static_cast<double>(i) * cs,
                            .columnCs = columnCs.data(),
                            .columnSn = columnSn.data(),
                            .ox = ox,
                            .oy = oy,
                            .count = columnCs.size(),
                            .sourceWidth = w,
                            .sourceHeight = h};
      kernels.rotateRow(row, turned.rows[i]);
    }
  });
  return result;
}

}  // namespace vantoria
