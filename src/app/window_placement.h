#pragma once

#include <QRect>
#include <QSize>

namespace vantoria {

// Where the index-th window of a cascade goes in an area: `step` further right and down than
// the one before, starting again at the top-left when a window of `minimum` size would no
// longer fit; sized `wanted`, but never reaching past the area nor below `minimum` (unless
// the area itself is smaller).
QRect PlaceCascaded(QSize area, QSize wanted, QSize minimum, int index, int step);

}  // namespace vantoria
