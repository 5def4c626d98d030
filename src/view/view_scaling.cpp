// The displayed picture below and above 100 %.
#include <QImage>
#include <algorithm>
#include <cstring>
#include <vector>

#include "view/view_private.h"

namespace vantoria {

QImage ReduceForDisplay(const QImage& display, QSize size) {
  if (display.isNull() || size.isEmpty()) {
    return {};
  }
  // Smooth reduction averages the block of pixels behind every target pixel: fine detail
  // turns to its mean grey instead of shimmering as the zoom changes.
  return display.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage EnlargeForDisplay(const QImage& display, Zoom zoom, const QRect& target) {
  QImage out(target.size(), QImage::Format_RGB32);
  if (out.isNull() || display.isNull()) {
    return out;
  }
  const int lastX = display.width() - 1;
  const int lastY = display.height() - 1;
  std::vector<int> columns(static_cast<std::size_t>(target.width()));
  for (int x = 0; x < target.width(); ++x) {
    columns[static_cast<std::size_t>(x)] =
        std::clamp(static_cast<int>(zoom.ToImage(target.x() + x)), 0, lastX);
  }
  int previous = -1;
  for (int y = 0; y < target.height(); ++y) {
    const int source = std::clamp(static_cast<int>(zoom.ToImage(target.y() + y)), 0, lastY);
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (source == previous) {
      std::memcpy(row, out.constScanLine(y - 1), static_cast<std::size_t>(out.bytesPerLine()));
      continue;
    }
    const auto* in = reinterpret_cast<const QRgb*>(display.constScanLine(source));
    for (int x = 0; x < target.width(); ++x) {
      row[x] = in[columns[static_cast<std::size_t>(x)]];
    }
    previous = source;
  }
  return out;
}

}  // namespace vantoria
