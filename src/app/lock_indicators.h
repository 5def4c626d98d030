#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QStatusBar;

namespace vantoria {

struct LockKeyState {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
  friend bool operator==(const LockKeyState&, const LockKeyState&) = default;
};

// Reads the keyboard's lock indicators. Qt has no portable way to ask, so this talks to the X
// server's keyboard extension when the program runs on X11 (libX11 is loaded at run time), and
// knows nothing elsewhere (Wayland, the offscreen platform).
class LockKeySource {
 public:
  LockKeySource();
  ~LockKeySource();
  LockKeySource(const LockKeySource&) = delete;
  LockKeySource& operator=(const LockKeySource&) = delete;

  bool IsAvailable() const;
  std::optional<LockKeyState> Query() const;

 private:
  struct Connection;
  std::unique_ptr<Connection> m_pConnection;
  std::function<std::optional<LockKeyState>()> m_reader;  // set by tests in place of the keyboard
};

// The status bar's three indicator panes "大写", "数字" and "滚动": each shows its text in
// normal ink while its lock is on and greyed while it is off (or when the state is unknown).
// The panes are refreshed a few times a second while the state can be read.
class LockIndicators : public QObject {
  Q_OBJECT

 public:
  explicit LockIndicators(QStatusBar* statusBar);
  ~LockIndicators() override;

  void Show(const LockKeyState& state);
  QLabel* CapsPane() const { return m_pCaps; }
  QLabel* NumPane() const { return m_pNum; }
  QLabel* ScrollPane() const { return m_pScroll; }

 private:
  void Refresh();

  QPointer<QLabel> m_pCaps;
  QPointer<QLabel> m_pNum;
  QPointer<QLabel> m_pScroll;
  LockKeySource m_source;
};

}  // namespace vantoria
