#pragma once

// Drives the parameter dialogs as a user does: sliders dragged by the thumb and clicked in the
// channel, keys, boxes, buttons. Records the operation messages the dialogs post.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <map>
#include <ostream>
#include <vector>

#include "dialogs/parameter_dlg.h"
#include "dialogs/spin_button.h"
#include "dialogs/track_slider.h"
#include "operations/operation_messages.h"
#include "operations/operation_poster.h"

namespace vantoria::ops {

// Failures show the three numbers.
inline void PrintTo(const OperationMessage& message, std::ostream* out) {
  *out << "{" << message.code << ", " << message.wParam << ", " << message.lParam << "}";
}

}  // namespace vantoria::ops

namespace vantoria::test {

using ops::OperationMessage;
using Messages = std::vector<OperationMessage>;

// Becomes the operation target for its lifetime and keeps what arrives.
class PostedMessages : public QObject {
 public:
  PostedMessages() { SetOperationTarget(this); }
  ~PostedMessages() override { SetOperationTarget(nullptr); }

  // Lets the posted messages arrive and hands over those not taken yet.
  Messages Take() {
    QCoreApplication::processEvents();
    Messages taken;
    taken.swap(m_messages);
    return taken;
  }

  bool event(QEvent* event) override {
    if (event->type() == OperationEvent::EventType()) {
      m_messages.push_back(static_cast<OperationEvent*>(event)->message());
      return true;
    }
    return QObject::event(event);
  }

 private:
  Messages m_messages;
};

template <class Control>
Control* Find(const QWidget* dialog, int id) {
  auto* control = dialog->findChild<Control*>(ControlName(id));
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}

inline QStyleOptionSlider SliderOption(const QSlider* slider) {
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.subControls = QStyle::SC_None;
  option.activeSubControls = QStyle::SC_None;
  option.orientation = slider->orientation();
  option.maximum = slider->maximum();
  option.minimum = slider->minimum();
  option.tickPosition = slider->tickPosition();
  option.tickInterval = slider->tickInterval();
  option.upsideDown = slider->invertedAppearance();
  option.direction = slider->layoutDirection();
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  option.singleStep = slider->singleStep();
  option.pageStep = slider->pageStep();
  return option;
}

inline QRect HandleRect(const QSlider* slider) {
  const QStyleOptionSlider option = SliderOption(slider);
  return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                         slider);
}

// Presses on the thumb, drags it along the whole slider to find where it shows `target`, and
// lets go there; when no pixel gives exactly `target`, at the nearest value. Returns the value
// shown at the release.
inline int DragThumbTo(QSlider* slider, int target) {
  const QPoint grip = HandleRect(slider).center();
  QTest::mousePress(slider, Qt::LeftButton, {}, grip);
  std::map<int, int> xOfValue;
  for (int x = -4; x <= slider->width() + 4; ++x) {
    QTest::mouseMove(slider, QPoint(x, grip.y()));
    xOfValue.try_emplace(slider->value(), x);
  }
  int best = xOfValue.begin()->first;
  for (const auto& [value, x] : xOfValue) {
    if (std::abs(value - target) < std::abs(best - target)) {
      best = value;
    }
  }
  const QPoint release(xOfValue[best], grip.y());
  QTest::mouseMove(slider, release);
  QTest::mouseRelease(slider, Qt::LeftButton, {}, release);
  return slider->value();
}

// Presses on the thumb and lets go without moving it.
inline void ClickThumb(QSlider* slider) {
  QTest::mouseClick(slider, Qt::LeftButton, {}, HandleRect(slider).center());
}

// Clicks in the channel beside the thumb, towards the right end or the left end.
inline void ClickChannel(QSlider* slider, bool towardsRight) {
  const QRect handle = HandleRect(slider);
  const int x = towardsRight ? (handle.right() + slider->width()) / 2 : handle.left() / 2;
  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, handle.center().y()));
}

// Moves the slider to `value` with the arrow keys, as a keyboard user does.
inline void KeyTo(QSlider* slider, int value) {
  slider->setFocus();
  for (int guard = 0; slider->value() != value && guard < 1000; ++guard) {
    QTest::keyClick(slider, slider->value() < value ? Qt::Key_Right : Qt::Key_Left);
  }
  EXPECT_EQ(slider->value(), value);
}

inline void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

// Shows the dialog as DoModal would (without blocking) and waits until it is up.
inline void ShowDialog(QDialog& dialog) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

}  // namespace vantoria::test
