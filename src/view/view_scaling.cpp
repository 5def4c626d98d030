// The displayed picture below and above 100 %.
#include <QImage>
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/reduce_ops.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

// The sizes of the halved copies ReduceForDisplay makes on its way to `size`, largest first.
std::vector<QSize> HalvedLevels(QSize display, QSize size) {
  std::vector<QSize> levels;
  QSize level = display;
  // Down to the last halving that is still at least `size` on both axes; the area average after
  // it then spans under two pixels each way (but on tiny pictures), where it is cheap.
  while (level != size && HalvedLength(level.width()) >= size.width() &&
         HalvedLength(level.height()) >= size.height()) {
    level = QSize(HalvedLength(level.width()), HalvedLength(level.height()));
    levels.push_back(level);
  }
  return levels;
}

}  // namespace

std::size_t ReductionBytes(QSize display, QSize size) {
  std::size_t bytes = static_cast<std::size_t>(size.width()) * size.height() * 4;
  for (const QSize level : HalvedLevels(display, size)) {
    bytes += static_cast<std::size_t>(level.width()) * level.height() * 4;
  }
  return bytes;
}

QImage ReduceForDisplay(const QImage& display, QSize size) {
  if (display.isNull() || size.isEmpty()) {
    return {};
  }
  // Each device pixel shows the mean of the image area behind it, so fine detail turns to its
  // mean grey instead of shimmering as the zoom changes. Halving (exact 2 x 2 means) does the
  // bulk cheaply; the area average then takes the last step, of less than two.
  QImage level = display;
  for (const QSize halved : HalvedLevels(display.size(), size)) {
    QImage next(halved, QImage::Format_RGB32);
    if (next.isNull()) {
      return {};  // out of memory
    }
    HalvePixels(reinterpret_cast<const Pixel*>(level.constBits()), level.bytesPerLine() / 4,
                level.width(), level.height(), reinterpret_cast<Pixel*>(next.bits()),
                next.bytesPerLine() / 4);
    level = std::move(next);
  }
  if (level.size() == size) {
    return level;
  }
  QImage reduced(size, QImage::Format_RGB32);
  if (reduced.isNull()) {
    return {};  // out of memory
  }
  AverageAreas(reinterpret_cast<const Pixel*>(level.constBits()), level.bytesPerLine() / 4,
               level.width(), level.height(), reinterpret_cast<Pixel*>(reduced.bits()),
               reduced.bytesPerLine() / 4, size.width(), size.height());
  return reduced;
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
