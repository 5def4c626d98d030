#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

bool OnImage(const Region& image, QPoint point) {
  return point.x() >= image.left && point.x() <= image.right && point.y() >= image.top &&
         point.y() <= image.bottom;
}

}  // namespace

void CVantoriaView::AnchorTracker() {
  if (d->m_tracker.IsTracking()) {
    return;  // the frame follows the pointer until the drag ends
  }
  // The frame is kept in image pixels; wherever the image now lies, the frame lies with it.
  const Region image = ImageRectOnScreen();
  FrameRect& frame = d->m_tracker.m_rect;
  const int width = frame.Width();
  const int height = frame.Height();
  frame.left = image.left + d->m_ptSelOrigin.x();
  frame.top = image.top + d->m_ptSelOrigin.y();
  frame.right = frame.left + width;
  frame.bottom = frame.top + height;
}

void CVantoriaView::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (d->m_tracker.IsTracking()) {
    if (event->button() == Qt::RightButton) {
      d->m_tracker.CancelTrack();
      FinishTracking();
    }
    return;
  }
  if (event->button() == Qt::LeftButton) {
    OnLButtonDown(point);
    return;
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void CVantoriaView::OnLButtonDown(QPoint point) {
  if (ImageSize().isEmpty()) {
    return;  // nothing to select on
  }
  setFocus(Qt::MouseFocusReason);  // so that Esc reaches the drag
  AnchorTracker();
  const Region image = ImageRectOnScreen();
  RectTracker& tracker = d->m_tracker;
  if (OnImage(image, point) && tracker.m_rect.Width() == 0) {
    tracker.StartRubberBand(point);
  } else if (!tracker.StartTrack(point)) {
    FinishTracking();  // missed the frame: nothing moves, nothing new starts
    return;
  }
  viewport()->setCursor(tracker.TrackingCursor());
}

void CVantoriaView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  RectTracker& tracker = d->m_tracker;
  if (!tracker.IsTracking()) {
    UpdateCursor(point);
    return;
  }
  tracker.TrackTo(point);
  if (!(event->buttons() & Qt::LeftButton)) {
    // The release went elsewhere (the grab was lost): end the drag where the pointer is.
    tracker.EndTrack();
    FinishTracking();
    return;
  }
  viewport()->update();
}

void CVantoriaView::mouseReleaseEvent(QMouseEvent* event) {
  RectTracker& tracker = d->m_tracker;
  if (!tracker.IsTracking() || event->button() != Qt::LeftButton) {
    return;  // the press that went with it was handled (or ignored) already
  }
  tracker.TrackTo(event->position().toPoint());
  tracker.EndTrack();
  FinishTracking();
}

void CVantoriaView::keyPressEvent(QKeyEvent* event) {
  if (d->m_tracker.IsTracking()) {
    if (event->key() == Qt::Key_Escape) {
      d->m_tracker.CancelTrack();
      FinishTracking();
    }
    return;  // no scrolling by keys while a frame is dragged
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void CVantoriaView::FinishTracking() {
  // A tracked frame cannot turn inside out, so it needs no normalising here; a frame that a
  // click missed keeps its shape, inside out or not.
  FrameRect& frame = d->m_tracker.m_rect;
  const Region image = ImageRectOnScreen();
  if (frame.Width() > 0) {
    KeepFrameOnImage(image);
  }
  d->m_ptSelOrigin = QPoint(frame.left - image.left, frame.top - image.top);
  viewport()->update();
  UpdateCursor(viewport()->mapFromGlobal(QCursor::pos()));
}

void CVantoriaView::KeepFrameOnImage(const Region& image) {
  FrameRect& frame = d->m_tracker.m_rect;
  const QSize minimum = d->m_tracker.m_sizeMin;
  frame.left = std::max(frame.left, image.left);
  frame.top = std::max(frame.top, image.top);
  // A frame wholly off the left or top edge becomes a strip of the minimum size along it. One
  // wholly past the right or bottom edge ends inside out; GetSelectionRect reports none then.
  if (frame.right < image.left) {
    frame.right = image.left + minimum.width();
  } else if (frame.right > image.right) {
    frame.right = image.right;
  }
  if (frame.bottom < image.top) {
    frame.bottom = image.top + minimum.height();
  } else if (frame.bottom > image.bottom) {
    frame.bottom = image.bottom;
  }
}

void CVantoriaView::UpdateCursor(QPoint point) {
  if (const auto shape = d->m_tracker.CursorAt(point)) {
    viewport()->setCursor(*shape);
  } else {
    viewport()->unsetCursor();
  }
}

std::optional<Region> CVantoriaView::GetSelectionRect() const {
  const FrameRect& frame = d->m_tracker.m_rect;
  const QSize image = ImageSize();
  if (frame.Width() <= 0 || frame.Height() <= 0 || image.isEmpty()) {
    return std::nullopt;
  }
  // Kept inside the image as it is now: the frame keeps its place when the image shrinks.
  Region selection;
  selection.left = std::max(d->m_ptSelOrigin.x(), 0);
  selection.top = std::max(d->m_ptSelOrigin.y(), 0);
  selection.right = std::min(d->m_ptSelOrigin.x() + frame.Width(), image.width() - 1);
  selection.bottom = std::min(d->m_ptSelOrigin.y() + frame.Height(), image.height() - 1);
  if (selection.left > selection.right || selection.top > selection.bottom) {
    return std::nullopt;
  }
  return selection;
}

void CVantoriaView::OnEditSelectAll() {
  if (ImageSize().isEmpty()) {
    return;
  }
  if (d->m_tracker.IsTracking()) {
    d->m_tracker.CancelTrack();
  }
  const Region image = ImageRectOnScreen();
  d->m_tracker.m_rect = {image.left, image.top, image.right, image.bottom};
  d->m_ptSelOrigin = QPoint(0, 0);
  viewport()->update();
}

}  // namespace vantoria
