#include "view/vantoria_view.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QtMath>
#include <algorithm>

#include "view/view_private.h"

namespace vantoria {
namespace {

// Arrow buttons and the mouse wheel move by this many pixels per step.
constexpr int kScrollLineStep = 20;

}  // namespace

CVantoriaView::CVantoriaView(CVantoriaDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), d(std::make_unique<Private>()) {
  d->document = document;
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel of the viewport is painted by paintEvent: no background erase, no flicker.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setMouseTracking(true);  // cursor shapes over the frame's handles
  if (document) {
    connect(document, &CDocument::updateViews, this, &CVantoriaView::OnDocumentChanged);
  }
  UpdateScrollBars();
}

CVantoriaView::~CVantoriaView() = default;

CVantoriaDoc* CVantoriaView::GetDocument() const {
  return d->document.data();
}

QSize CVantoriaView::ImageSize() const {
  const CVantoriaDoc* document = GetDocument();
  const PixelImage* image = document ? document->GetImage() : nullptr;
  if (!image) {
    return {0, 0};
  }
  return {image->width, image->height};
}

void CVantoriaView::OnDocumentChanged() {
  // The image may have a new size; the display image is rebuilt by the next paint.
  UpdateScrollBars();
  viewport()->update();
  emit viewStateChanged();  // the picture's size and the pixel under the pointer may differ
}

QSize CVantoriaView::DeviceSize() const {
  const double ratio = devicePixelRatioF();
  return {qRound(viewport()->width() * ratio), qRound(viewport()->height() * ratio)};
}

QPoint CVantoriaView::ToDevice(QPointF point) const {
  const double ratio = devicePixelRatioF();
  // A hair added: a logical position made from a device one must map back to that pixel.
  return {qFloor(point.x() * ratio + 1e-6), qFloor(point.y() * ratio + 1e-6)};
}

void CVantoriaView::UpdateScrollBars() {
  // Scroll positions count device pixels of the zoomed image.
  const QSize picture = ImageSize();
  const QSize image(d->m_zoom.Length(picture.width()), d->m_zoom.Length(picture.height()));
  const double ratio = devicePixelRatioF();
  // Decide from the whole area, not the current viewport: bars shown once for a larger image
  // would otherwise keep taking the room that would let the image fit without them.
  const QSize whole(qRound(maximumViewportSize().width() * ratio),
                    qRound(maximumViewportSize().height() * ratio));
  const int bar = qCeil(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) * ratio);
  bool needHorizontal = image.width() > whole.width();
  bool needVertical = image.height() > whole.height();
  needVertical = needVertical || (needHorizontal && image.height() > whole.height() - bar);
  needHorizontal = needHorizontal || (needVertical && image.width() > whole.width() - bar);
  const QSize page(whole.width() - (needVertical ? bar : 0),
                   whole.height() - (needHorizontal ? bar : 0));
  QScrollBar* horizontal = horizontalScrollBar();
  QScrollBar* vertical = verticalScrollBar();
  horizontal->setSingleStep(qCeil(kScrollLineStep * ratio));
  vertical->setSingleStep(qCeil(kScrollLineStep * ratio));
  horizontal->setPageStep(std::max(1, page.width()));
  vertical->setPageStep(std::max(1, page.height()));
  // Showing or hiding a bar resizes the viewport, which calls back here through resizeEvent.
  horizontal->setRange(0, std::max(0, image.width() - page.width()));
  vertical->setRange(0, std::max(0, image.height() - page.height()));
}

void CVantoriaView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CVantoriaView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  // Repaint everything rather than shifting the old pixels: the frame is redrawn at its place
  // and no stale copy of it scrolls along with the image.
  viewport()->update();
  RetrackPointer();
}

Region CVantoriaView::ImageRectOnScreen() const {
  const QSize image = ImageSize();
  const QSize area = DeviceSize();
  Region placed = PlaceImage(area.width(), area.height(), d->m_zoom.Length(image.width()),
                             d->m_zoom.Length(image.height()));
  const int dx = horizontalScrollBar()->value();
  const int dy = verticalScrollBar()->value();
  placed.left -= dx;
  placed.right -= dx;
  placed.top -= dy;
  placed.bottom -= dy;
  return placed;
}

QPoint CVantoriaView::ImagePixelAt(QPoint device) const {
  const Region placed = ImageRectOnScreen();
  return {static_cast<int>(d->m_zoom.ToImage(device.x() - placed.left)),
          static_cast<int>(d->m_zoom.ToImage(device.y() - placed.top))};
}

}  // namespace vantoria
