#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

// The frame is tracked in image pixels: at 100 % these differ from window pixels only by the
// image's place, so every rule of the frame holds alike at every zoom.
Region WholeImage(QSize image) {
  return {0, 0, image.width() - 1, image.height() - 1};
}

bool OnImage(const Region& image, QPoint point) {
  return point.x() >= image.left && point.x() <= image.right && point.y() >= image.top &&
         point.y() <= image.bottom;
}

}  // namespace

void CVantoriaView::AnchorTracker() {
  if (d->m_tracker.IsTracking()) {
    return;  // the frame follows the pointer until the drag ends
  }
  FrameRect& frame = d->m_tracker.m_rect;
  const int width = frame.Width();
  const int height = frame.Height();
  frame.left = d->m_ptSelOrigin.x();
  frame.top = d->m_ptSelOrigin.y();
  frame.right = frame.left + width;
  frame.bottom = frame.top + height;
}

RectTracker CVantoriaView::ScreenTracker() const {
  // The selected pixels' outer boundary in device pixels: the outline lies on the first and
  // last device pixel of the frame's edge pixels, the handles keep their size on the screen.
  // Below 100 % an edge pixel that shares its device pixel with the next ones has no device
  // pixel of its own: the edge goes on the one that shows it, where the drag that put it
  // there ended.
  const Region placed = ImageRectOnScreen();
  const FrameRect frame = d->m_tracker.m_rect.Normalized();
  const Zoom zoom = d->m_zoom;
  RectTracker screen;
  screen.m_nHandleSize = std::max(1, qRound(d->m_tracker.m_nHandleSize * devicePixelRatioF()));
  auto edges = [&](int first, int last, int origin, int& from, int& to) {
    from = origin + static_cast<int>(zoom.ToDevice(first));
    const auto end = std::max(zoom.ToDevice(last), zoom.ToDevice(last + 1) - 1);
    to = last == first ? from : std::max(from, origin + static_cast<int>(end));
  };
  edges(frame.left, frame.right, placed.left, screen.m_rect.left, screen.m_rect.right);
  edges(frame.top, frame.bottom, placed.top, screen.m_rect.top, screen.m_rect.bottom);
  return screen;
}

void CVantoriaView::mousePressEvent(QMouseEvent* event) {
  // Every press stays in the view: a right click must not reach the window's system menu.
  event->accept();
  const QPoint point = ToDevice(event->position());
  if (d->m_tracker.IsTracking()) {
    if (event->button() == Qt::RightButton) {
      d->m_tracker.CancelTrack();
      FinishTracking();
    }
    return;
  }
  if (event->button() == Qt::LeftButton) {
    OnLButtonDown(point);
  }
}

void CVantoriaView::mouseDoubleClickEvent(QMouseEvent* event) {
  // Kept here and unused: passed on, it would reach the window frame, which closes on it.
  event->accept();
}

void CVantoriaView::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
}

void CVantoriaView::OnLButtonDown(QPoint point) {
  const QSize size = ImageSize();
  if (size.isEmpty()) {
    return;  // nothing to select on
  }
  setFocus(Qt::MouseFocusReason);  // so that Esc reaches the drag
  AnchorTracker();
  const QPoint pixel = ImagePixelAt(point);
  RectTracker& tracker = d->m_tracker;
  if (OnImage(WholeImage(size), pixel) && tracker.m_rect.Width() == 0) {
    tracker.StartRubberBand(pixel);
  } else if (!tracker.StartTrack(pixel, ScreenTracker().HitTest(point))) {
    FinishTracking();  // missed the frame: nothing moves, nothing new starts
    return;
  }
  viewport()->setCursor(tracker.TrackingCursor());
}

void CVantoriaView::TrackPointer(QPoint device) {
  const QSize size = ImageSize();
  const QPoint pixel = ImagePixelAt(device);
  std::optional<QPoint> under;
  if (!size.isEmpty() && OnImage(WholeImage(size), pixel)) {
    under = pixel;
  }
  if (under != d->m_ptPointer) {
    d->m_ptPointer = under;
    emit viewStateChanged();
  }
}

void CVantoriaView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = ToDevice(event->position());
  TrackPointer(point);
  RectTracker& tracker = d->m_tracker;
  if (!tracker.IsTracking()) {
    UpdateCursor(point);
    return;
  }
  tracker.TrackTo(ImagePixelAt(point));
  if (!(event->buttons() & Qt::LeftButton)) {
    // The release went elsewhere (the grab was lost): end the drag where the pointer is.
    tracker.EndTrack();
    FinishTracking();
    return;
  }
  viewport()->update();
  emit viewStateChanged();
}

void CVantoriaView::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  RectTracker& tracker = d->m_tracker;
  if (!tracker.IsTracking() || event->button() != Qt::LeftButton) {
    return;  // the press that went with it was handled (or ignored) already
  }
  tracker.TrackTo(ImagePixelAt(ToDevice(event->position())));
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
  if (frame.Width() > 0) {
    KeepFrameOnImage(WholeImage(ImageSize()));
  }
  d->m_ptSelOrigin = QPoint(frame.left, frame.top);
  viewport()->update();
  UpdateCursor(ToDevice(viewport()->mapFromGlobal(QCursor::pos())));
  emit viewStateChanged();
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
  if (const auto shape = ScreenTracker().CursorAt(point)) {
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
  const Region image = WholeImage(ImageSize());
  d->m_tracker.m_rect = {image.left, image.top, image.right, image.bottom};
  d->m_ptSelOrigin = QPoint(0, 0);
  viewport()->update();
  emit viewStateChanged();
}

void CVantoriaView::OnEditSelectNone() {
  if (d->m_tracker.IsTracking()) {
    d->m_tracker.CancelTrack();
  }
  d->m_tracker.m_rect = {};
  d->m_ptSelOrigin = QPoint(0, 0);
  viewport()->update();
  emit viewStateChanged();
}

}  // namespace vantoria
