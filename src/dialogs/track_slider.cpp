#include "dialogs/track_slider.h"

#include <QMouseEvent>

namespace vantoria {

TrackSlider::TrackSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TrackSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();  // the middle button's jump would move the value without a release report
    return;
  }
  QSlider::mousePressEvent(event);
  // QSlider ignores a press it does not act on (an empty range, a second button).
  if (event->isAccepted()) {
    m_bCaptured = true;
  }
}

void TrackSlider::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (m_bCaptured && event->button() == Qt::LeftButton) {
    m_bCaptured = false;
    emit captureReleased();
  }
}

}  // namespace vantoria
