#include "view/rect_tracker.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>

namespace vantoria {

FrameRect FrameRect::Normalized() const {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
}

bool FrameRect::Contains(QPoint point) const {
  const FrameRect r = Normalized();
  return point.x() >= r.left && point.x() <= r.right && point.y() >= r.top && point.y() <= r.bottom;
}

void FrameRect::Translate(int dx, int dy) {
  left += dx;
  right += dx;
  top += dy;
  bottom += dy;
}

namespace {

using Hit = RectTracker::Hit;

// Corners first: on a frame of minimum size the side handles overlap them.
constexpr std::array<Hit, 8> kHandles = {Hit::kTopLeft,    Hit::kTopRight, Hit::kBottomRight,
                                         Hit::kBottomLeft, Hit::kTop,      Hit::kRight,
                                         Hit::kBottom,     Hit::kLeft};

bool MovesLeft(Hit hit) {
  return hit == Hit::kTopLeft || hit == Hit::kBottomLeft || hit == Hit::kLeft;
}
bool MovesRight(Hit hit) {
  return hit == Hit::kTopRight || hit == Hit::kBottomRight || hit == Hit::kRight;
}
bool MovesTop(Hit hit) {
  return hit == Hit::kTopLeft || hit == Hit::kTopRight || hit == Hit::kTop;
}
bool MovesBottom(Hit hit) {
  return hit == Hit::kBottomLeft || hit == Hit::kBottomRight || hit == Hit::kBottom;
}

}  // namespace

QRect RectTracker::HandleRect(Hit handle) const {
  const FrameRect r = m_rect.Normalized();
  const int size = m_nHandleSize;
  // Handles lie inside the frame: their outer sides sit on the outline.
  const int xLeft = r.left;
  const int xRight = r.right - size + 1;
  const int xMiddle = (r.left + r.right + 1) / 2 - size / 2;
  const int yTop = r.top;
  const int yBottom = r.bottom - size + 1;
  const int yMiddle = (r.top + r.bottom + 1) / 2 - size / 2;
  switch (handle) {
    case Hit::kTopLeft:
      return {xLeft, yTop, size, size};
    case Hit::kTopRight:
      return {xRight, yTop, size, size};
    case Hit::kBottomRight:
      return {xRight, yBottom, size, size};
    case Hit::kBottomLeft:
      return {xLeft, yBottom, size, size};
    case Hit::kTop:
      return {xMiddle, yTop, size, size};
    case Hit::kRight:
      return {xRight, yMiddle, size, size};
    case Hit::kBottom:
      return {xMiddle, yBottom, size, size};
    case Hit::kLeft:
      return {xLeft, yMiddle, size, size};
    case Hit::kNothing:
    case Hit::kMiddle:
      break;
  }
  return {};
}

RectTracker::Hit RectTracker::HitTest(QPoint point) const {
  if (m_rect.IsPoint()) {
    return Hit::kNothing;  // no frame to hit
  }
  for (Hit handle : kHandles) {
    if (HandleRect(handle).contains(point)) {
      return handle;
    }
  }
  return m_rect.Contains(point) ? Hit::kMiddle : Hit::kNothing;
}

Qt::CursorShape RectTracker::CursorFor(Hit hit) {
  switch (hit) {
    case Hit::kTopLeft:
    case Hit::kBottomRight:
      return Qt::SizeFDiagCursor;
    case Hit::kTopRight:
    case Hit::kBottomLeft:
      return Qt::SizeBDiagCursor;
    case Hit::kTop:
    case Hit::kBottom:
      return Qt::SizeVerCursor;
    case Hit::kLeft:
    case Hit::kRight:
      return Qt::SizeHorCursor;
    case Hit::kMiddle:
      return Qt::SizeAllCursor;
    case Hit::kNothing:
      break;
  }
  return Qt::ArrowCursor;
}

std::optional<Qt::CursorShape> RectTracker::CursorAt(QPoint point) const {
  const Hit hit = HitTest(point);
  if (hit == Hit::kNothing) {
    return std::nullopt;
  }
  return CursorFor(hit);
}

Qt::CursorShape RectTracker::TrackingCursor() const {
  return CursorFor(m_hitTracking);
}

void RectTracker::Draw(QPainter& painter) const {
  if (m_rect.IsPoint()) {
    return;
  }
  const FrameRect r = m_rect.Normalized();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  // Dots of black on white: visible on dark and light images alike.
  const QRect outline(r.left, r.top, r.Width(), r.Height());
  painter.setPen(QPen(Qt::white, 0));
  painter.drawRect(outline);
  QPen dots(Qt::black, 0);
  dots.setDashPattern({1.0, 1.0});
  painter.setPen(dots);
  painter.drawRect(outline);
  for (Hit handle : kHandles) {
    painter.fillRect(HandleRect(handle), Qt::black);
  }
  painter.restore();
}

void RectTracker::StartRubberBand(QPoint point) {
  m_rect = {point.x(), point.y(), point.x(), point.y()};
  m_rectStart = m_rect;
  m_ptStart = point;
  m_bMoved = false;
  m_hitTracking = Hit::kBottomRight;
}

bool RectTracker::StartTrack(QPoint point) {
  return StartTrack(point, HitTest(point));
}

bool RectTracker::StartTrack(QPoint point, Hit hit) {
  if (hit == Hit::kNothing) {
    return false;
  }
  m_rect.Normalize();
  m_rectStart = m_rect;
  m_ptStart = point;
  m_bMoved = false;
  m_hitTracking = hit;
  return true;
}

void RectTracker::TrackTo(QPoint point) {
  if (!IsTracking() || (!m_bMoved && point == m_ptStart)) {
    return;
  }
  m_bMoved = true;
  const int dx = point.x() - m_ptStart.x();
  const int dy = point.y() - m_ptStart.y();
  FrameRect r = m_rectStart;
  if (m_hitTracking == Hit::kMiddle) {
    r.Translate(dx, dy);
    m_rect = r;
    return;
  }
  // The edge under the pointer follows it; the opposite edge stays. An edge pushed past the
  // minimum size stops there instead of turning the frame inside out.
  if (MovesLeft(m_hitTracking)) {
    r.left = std::min(r.left + dx, r.right - m_sizeMin.width());
  }
  if (MovesRight(m_hitTracking)) {
    r.right = std::max(r.right + dx, r.left + m_sizeMin.width());
  }
  if (MovesTop(m_hitTracking)) {
    r.top = std::min(r.top + dy, r.bottom - m_sizeMin.height());
  }
  if (MovesBottom(m_hitTracking)) {
    r.bottom = std::max(r.bottom + dy, r.top + m_sizeMin.height());
  }
  m_rect = r;
}

void RectTracker::EndTrack() {
  if (!m_bMoved) {
    m_rect = m_rectStart;  // a click: the frame as it was (a rubber band stays empty)
  }
  m_hitTracking = Hit::kNothing;
}

void RectTracker::CancelTrack() {
  m_rect = m_rectStart;
  m_hitTracking = Hit::kNothing;
}

}  // namespace vantoria
