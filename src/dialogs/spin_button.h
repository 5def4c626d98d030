#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vantoria {

// An up-down control for a number box (its buddy): the up and down arrows, held down to
// repeat, and the Up and Down keys in the buddy step the number within the range, without
// wrapping, and write it back into the buddy as plain decimal digits.
class SpinButton : public QWidget {
  Q_OBJECT

 public:
  explicit SpinButton(QWidget* parent = nullptr);

  // Makes `buddy` the box it steps and moves this control against the buddy's right edge,
  // the buddy giving up the room it takes.
  void SetBuddy(QLineEdit* buddy);
  void SetRange32(int lower, int upper);
  int GetPos() const { return m_nPos; }

  QToolButton* UpArrow() const { return m_pUp; }
  QToolButton* DownArrow() const { return m_pDown; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // An arrow steps once when pressed, then repeats while it is held.
  void OnArrowPressed(int direction);
  void OnArrowReleased();
  void OnRepeat();
  // Lets go of a held arrow.
  void StopRepeat();
  void Step(int delta);
  // The step of a held arrow grows with the time it has been held.
  int HeldStep() const;

  QToolButton* m_pUp;
  QToolButton* m_pDown;
  QPointer<QLineEdit> m_pBuddy;
  QElapsedTimer m_held;
  QTimer m_repeat;
  int m_nDirection = 0;
  int m_nLower = 0;
  int m_nUpper = 100;
  int m_nPos = 0;
};

}  // namespace vantoria
