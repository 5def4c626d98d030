#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <optional>

#include "core/memory_budget.h"
#include "core/region.h"
#include "document/vantoria_doc.h"
#include "view/rect_tracker.h"
#include "view/vantoria_view.h"
#include "view/zoom.h"

namespace vantoria {

struct CVantoriaView::Private {
  QPointer<CVantoriaDoc> document;
  // Selection frame in window coordinates, re-anchored to the image on every paint.
  RectTracker m_tracker;
  // Top-left corner of the selection in image pixels.
  QPoint m_ptSelOrigin;
  // The image composed over opaque black, ready to copy to the screen.
  QImage m_imgDisplay;
  MemoryReservation m_displayCharge;  // its share of the program's memory budget
  // The document's image version m_imgDisplay was made from; none before the first.
  std::optional<std::uint64_t> m_nDisplayVersion;
  // Device pixels per image pixel.
  Zoom m_zoom;
  // Below 100 %: m_imgDisplay area-averaged to the zoomed size, for m_nReducedVersion at
  // m_zoomReduced.
  QImage m_imgReduced;
  MemoryReservation m_reducedCharge;
  std::optional<std::uint64_t> m_nReducedVersion;
  Zoom m_zoomReduced;
  // At zooms of one half and below: m_imgDisplay halved, for m_nHalvedVersion.
  QImage m_imgHalved;
  MemoryReservation m_halvedCharge;
  std::optional<std::uint64_t> m_nHalvedVersion;
  // The image pixel under the pointer, none while the pointer is off the image.
  std::optional<QPoint> m_ptPointer;
};

// Where an image lies in a client area: centred (truncating) along each axis on which the
// area, plus one, is larger than the image; from the edge otherwise. Inclusive edges.
constexpr Region PlaceImage(int clientWidth, int clientHeight, int imageWidth, int imageHeight) {
  const int cw = clientWidth + 1;
  const int ch = clientHeight + 1;
  Region placed;
  placed.left = cw > imageWidth ? (cw - imageWidth) / 2 : 0;
  placed.right = placed.left + imageWidth - 1;
  placed.top = ch > imageHeight ? (ch - imageHeight) / 2 : 0;
  placed.bottom = placed.top + imageHeight - 1;
  return placed;
}

// The document's image composed over opaque black, one screen pixel per image pixel.
QImage ComposeOverBlack(const PixelImage& image);
// The same into `into`, reusing its pixels when it already has the size; false, with `into`
// unchanged, for an empty image or when memory runs out.
[[nodiscard]] bool ComposeOverBlack(const PixelImage& image, QImage& into);
// The displayed picture reduced to `size` by averaging the pixels each target pixel covers;
// null when memory runs out. The display must be RGB32.
QImage ReduceForDisplay(const QImage& display, QSize size);
// The memory ReduceForDisplay takes at most: the halved copies and the result.
std::size_t ReductionBytes(QSize display, QSize size);
// The device pixels `target` (counted from the zoomed image's top-left corner) of the picture
// enlarged by `zoom`: each image pixel a sharp block, exactly where Zoom::ToDevice puts it.
QImage EnlargeForDisplay(const QImage& display, Zoom zoom, const QRect& target);

}  // namespace vantoria
