#pragma once

#include <QSlider>

namespace vantoria {

// A horizontal slider that reports when the user lets go of the mouse after working it: after
// dragging the thumb and after clicking in the channel alike (QSlider::sliderReleased misses
// the clicks). Keyboard and wheel changes never report. Only the left button works it.
class TrackSlider : public QSlider {
  Q_OBJECT

 public:
  explicit TrackSlider(QWidget* parent = nullptr);

 signals:
  // The mouse capture that a press on the slider began has ended.
  void captureReleased();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool m_bCaptured = false;
};

}  // namespace vantoria
