#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>
#include <optional>

class QPainter;

namespace vantoria {

// A frame in window pixels. Width and height are right - left and bottom - top; the outline is
// drawn on the columns left and right and the rows top and bottom. A frame may be inside out
// (right < left or bottom < top) until it is normalised.
struct FrameRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool IsPoint() const { return left == right && top == bottom; }
  FrameRect Normalized() const;
  void Normalize() { *this = Normalized(); }
  // Whether the point lies on the normalised frame, its last column and row included.
  bool Contains(QPoint point) const;
  void Translate(int dx, int dy);
  friend constexpr bool operator==(const FrameRect&, const FrameRect&) = default;
};

// The selection frame: draws a dotted outline with eight square handles inside it, tells which
// part of it lies under a point, and runs an interactive move, resize or rubber band. The owner
// feeds it mouse and key events: Start... on the button press, TrackTo on every move, EndTrack
// on the release and CancelTrack on Esc or the right button. The frame never turns inside out
// while tracked and never gets smaller than the minimum size.
class RectTracker {
 public:
  enum class Hit {
    kNothing,
    kTopLeft,
    kTopRight,
    kBottomRight,
    kBottomLeft,
    kTop,
    kRight,
    kBottom,
    kLeft,
    kMiddle,
  };

  static constexpr int kDefaultHandleSize = 4;
  static constexpr int kDefaultMinSize = 8;

  FrameRect m_rect;
  int m_nHandleSize = kDefaultHandleSize;
  QSize m_sizeMin{kDefaultMinSize, kDefaultMinSize};

  Hit HitTest(QPoint point) const;
  // The cursor that shows what a drag from the point would do; none when it misses the frame.
  std::optional<Qt::CursorShape> CursorAt(QPoint point) const;
  // The square of a handle on the normalised frame; an empty rectangle for kNothing/kMiddle.
  QRect HandleRect(Hit handle) const;
  // Outline and handles; nothing for a frame that is a single point (no selection).
  void Draw(QPainter& painter) const;

  // Sets the frame to the empty frame at the point and drags its bottom-right corner.
  void StartRubberBand(QPoint point);
  // Moves (inside) or resizes (handle) the frame from the point; false, with nothing changed
  // and no tracking started, when the point misses the frame.
  bool StartTrack(QPoint point);
  // The same with the part of the frame already hit-tested elsewhere (on the frame as drawn
  // at another scale); false for kNothing.
  bool StartTrack(QPoint point, Hit hit);
  void TrackTo(QPoint point);
  // The button went up: keeps the frame as tracked. A rubber band that never moved stays empty.
  void EndTrack();
  // Esc or the right button: the frame it had when tracking started.
  void CancelTrack();
  bool IsTracking() const { return m_hitTracking != Hit::kNothing; }
  Qt::CursorShape TrackingCursor() const;

 private:
  static Qt::CursorShape CursorFor(Hit hit);

  Hit m_hitTracking = Hit::kNothing;
  bool m_bMoved = false;
  QPoint m_ptStart;
  FrameRect m_rectStart;
};

}  // namespace vantoria
