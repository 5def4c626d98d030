#include "app/window_placement.h"

#include <algorithm>

namespace vantoria {

QRect PlaceCascaded(QSize area, QSize wanted, QSize minimum, int index, int step) {
  const QSize smallest = minimum.boundedTo(area);
  step = std::max(step, 1);
  const int places = 1 + std::max(0, std::min((area.width() - smallest.width()) / step,
                                              (area.height() - smallest.height()) / step));
  const int offset = (std::max(index, 0) % places) * step;
  const QSize room(area.width() - offset, area.height() - offset);
  const QSize size = wanted.boundedTo(room).expandedTo(smallest);
  return {QPoint(offset, offset), size};
}

}  // namespace vantoria
