// Zoom, the wheel and the pixel under the pointer.
#include <QCursor>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtMath>

#include "res/command_ids.h"
#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;
constexpr int kLinesPerNotch = 3;

}  // namespace

bool CVantoriaView::IsZoomCommand(int id) {
  using namespace cmd;
  return id == ID_VIEW_ZOOM_IN || id == ID_VIEW_ZOOM_OUT || id == ID_VIEW_ZOOM_ACTUAL ||
         id == ID_VIEW_ZOOM_FIT || id == ID_EDIT_SELECT_NONE || id == ID_EDIT_COPY;
}

Zoom CVantoriaView::GetZoom() const {
  return d->m_zoom;
}

void CVantoriaView::SetZoom(Zoom zoom, std::optional<QPointF> anchor) {
  if (zoom == d->m_zoom) {
    return;
  }
  // The image point under the anchor stays under it.
  const QSize area = DeviceSize();
  const QPoint at = anchor ? ToDevice(*anchor) : QPoint(area.width() / 2, area.height() / 2);
  const Region before = ImageRectOnScreen();
  const double x = (at.x() - before.left) / d->m_zoom.Factor();
  const double y = (at.y() - before.top) / d->m_zoom.Factor();
  d->m_zoom = zoom;
  UpdateScrollBars();
  const QSize image = ImageSize();
  const QSize now = DeviceSize();
  const Region unscrolled = PlaceImage(now.width(), now.height(), zoom.Length(image.width()),
                                       zoom.Length(image.height()));
  horizontalScrollBar()->setValue(qRound(unscrolled.left + x * zoom.Factor() - at.x()));
  verticalScrollBar()->setValue(qRound(unscrolled.top + y * zoom.Factor() - at.y()));
  viewport()->update();
  RetrackPointer();
  emit viewStateChanged();
}

void CVantoriaView::RetrackPointer() {
  if (viewport()->underMouse()) {
    TrackPointer(ToDevice(viewport()->mapFromGlobal(QCursor::pos())));
  }
}

void CVantoriaView::ZoomIn() {
  SetZoom(d->m_zoom.StepIn());
}

void CVantoriaView::ZoomOut() {
  SetZoom(d->m_zoom.StepOut());
}

void CVantoriaView::ZoomActual() {
  SetZoom({1, 1});
}

void CVantoriaView::ZoomFit() {
  // The whole area, as the fitted picture needs no scroll bars.
  const double ratio = devicePixelRatioF();
  const QSize whole = maximumViewportSize();
  const QSize image = ImageSize();
  SetZoom(FitZoom(qRound(whole.width() * ratio), qRound(whole.height() * ratio), image.width(),
                  image.height()));
}

bool CVantoriaView::FitIfLarger() {
  const double ratio = devicePixelRatioF();
  const QSize whole = maximumViewportSize();
  const QSize image = ImageSize();
  if (image.width() <= qRound(whole.width() * ratio) &&
      image.height() <= qRound(whole.height() * ratio)) {
    return false;
  }
  ZoomFit();
  return true;
}

std::optional<QPoint> CVantoriaView::PixelUnderPointer() const {
  return d->m_ptPointer;
}

void CVantoriaView::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const int notches = (delta.y() != 0 ? delta.y() : delta.x());
  if (event->modifiers() & Qt::ControlModifier) {
    if (notches > 0) {
      SetZoom(d->m_zoom.StepIn(), event->position());
    } else if (notches < 0) {
      SetZoom(d->m_zoom.StepOut(), event->position());
    }
    event->accept();
    return;
  }
  if (event->modifiers() & Qt::ShiftModifier) {
    // Sideways, as in other programs; the slider alone would take Shift for a page step.
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - notches * kLinesPerNotch * bar->singleStep() / kWheelNotch);
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

bool CVantoriaView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave && d->m_ptPointer) {
    d->m_ptPointer.reset();
    emit viewStateChanged();
  }
  return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace vantoria
