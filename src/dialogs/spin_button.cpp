#include "dialogs/spin_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace vantoria {
namespace {

constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatIntervalMs = 60;

// Held arrows step faster: by 5 after two seconds, by 20 after five.
struct HeldSpeed {
  qint64 afterMs;
  int step;
};
constexpr HeldSpeed kHeldSpeeds[] = {{5000, 20}, {2000, 5}};

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setFocusPolicy(Qt::NoFocus);  // the focus stays where the user had it
  return button;
}

}  // namespace

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent),
      m_pUp(MakeArrow(Qt::UpArrow, this)),
      m_pDown(MakeArrow(Qt::DownArrow, this)) {
  m_pUp->setObjectName(QStringLiteral("up"));
  m_pDown->setObjectName(QStringLiteral("down"));
  connect(m_pUp, &QToolButton::pressed, this, [this] { OnArrowPressed(+1); });
  connect(m_pDown, &QToolButton::pressed, this, [this] { OnArrowPressed(-1); });
  connect(m_pUp, &QToolButton::released, this, &SpinButton::OnArrowReleased);
  connect(m_pDown, &QToolButton::released, this, &SpinButton::OnArrowReleased);
  connect(&m_repeat, &QTimer::timeout, this, &SpinButton::OnRepeat);
}

void SpinButton::SetBuddy(QLineEdit* buddy) {
  if (m_pBuddy) {
    m_pBuddy->removeEventFilter(this);
  }
  m_pBuddy = buddy;
  if (!buddy) {
    return;
  }
  buddy->installEventFilter(this);
  QRect box = buddy->geometry();
  const int width = this->width();
  box.setWidth(std::max(1, box.width() - width));
  buddy->setGeometry(box);
  setGeometry(box.right() + 1, box.top(), width, box.height());
}

void SpinButton::SetRange32(int lower, int upper) {
  m_nLower = std::min(lower, upper);
  m_nUpper = std::max(lower, upper);
  m_nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
}

void SpinButton::resizeEvent(QResizeEvent* /*event*/) {
  const int upper = height() / 2;
  m_pUp->setGeometry(0, 0, width(), upper);
  m_pDown->setGeometry(0, upper, width(), height() - upper);
}

void SpinButton::OnArrowPressed(int direction) {
  m_nDirection = direction;
  m_held.start();
  Step(direction);
  m_repeat.start(kRepeatDelayMs);
}

void SpinButton::OnArrowReleased() {
  m_repeat.stop();
  m_nDirection = 0;
}

void SpinButton::StopRepeat() {
  OnArrowReleased();
  m_pUp->setDown(false);
  m_pDown->setDown(false);
}

void SpinButton::OnRepeat() {
  // A message box opened meanwhile (a refused step) has taken the mouse: the release will never
  // come here, and steps from inside the box's event loop would run behind its back.
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != window()) {
    StopRepeat();
    return;
  }
  m_repeat.setInterval(kRepeatIntervalMs);
  // The pointer may have slid off the arrow: like a button, it only works while over it.
  const QToolButton* arrow = m_nDirection > 0 ? m_pUp : m_pDown;
  if (m_nDirection != 0 && arrow->isDown()) {
    Step(m_nDirection * HeldStep());
  }
}

int SpinButton::HeldStep() const {
  const qint64 held = m_held.elapsed();
  for (const HeldSpeed& speed : kHeldSpeeds) {
    if (held >= speed.afterMs) {
      return speed.step;
    }
  }
  return 1;
}

void SpinButton::Step(int delta) {
  // The buddy's number is the starting point when it holds one.
  if (m_pBuddy) {
    bool ok = false;
    const int shown = m_pBuddy->text().toInt(&ok);
    if (ok) {
      m_nPos = shown;
    }
  }
  const qint64 next = std::clamp(static_cast<qint64>(m_nPos) + delta, static_cast<qint64>(m_nLower),
                                 static_cast<qint64>(m_nUpper));
  m_nPos = static_cast<int>(next);
  // At a limit nothing moves, so the buddy is not rewritten.
  const QString text = QString::number(m_nPos);
  if (m_pBuddy && m_pBuddy->text() != text) {
    m_pBuddy->setText(text);
  }
}

bool SpinButton::eventFilter(QObject* watched, QEvent* event) {
  // The type first: the buddy may be mid-destruction for other events, when reading the guarded
  // pointer as a line edit is not allowed.
  if (event->type() == QEvent::KeyPress && watched == m_pBuddy) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vantoria
