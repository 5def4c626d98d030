#include "app/lock_indicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QStatusBar>
#include <QTimer>

#include "app/testing_hooks.h"
#include "res/command_strings.h"

namespace vantoria {
namespace {

constexpr int kRefreshMilliseconds = 250;

LockKeyReader& TestReader() {
  static LockKeyReader reader;
  return reader;
}

// The few libX11 entry points needed, declared with opaque pointers so no X11 headers or
// link-time dependency are required.
using XDisplay = void;
using XAtom = unsigned long;
using OpenDisplayFn = XDisplay* (*)(const char*);
using CloseDisplayFn = int (*)(XDisplay*);
using InternAtomFn = XAtom (*)(XDisplay*, const char*, int);
using GetNamedIndicatorFn = int (*)(XDisplay*, XAtom, int*, int*, void*, int*);

QLabel* AddPane(QStatusBar* statusBar, const QString& text) {
  auto* pane = new QLabel(text, statusBar);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 12);
  pane->setEnabled(false);
  statusBar->addPermanentWidget(pane);
  return pane;
}

}  // namespace

struct LockKeySource::Connection {
  QLibrary library{QStringLiteral("X11"), 6};
  XDisplay* display = nullptr;
  CloseDisplayFn closeDisplay = nullptr;
  GetNamedIndicatorFn getNamedIndicator = nullptr;
  XAtom caps = 0;
  XAtom num = 0;
  XAtom scroll = 0;

  bool Open() {
    auto openDisplay = reinterpret_cast<OpenDisplayFn>(library.resolve("XOpenDisplay"));
    closeDisplay = reinterpret_cast<CloseDisplayFn>(library.resolve("XCloseDisplay"));
    auto internAtom = reinterpret_cast<InternAtomFn>(library.resolve("XInternAtom"));
    getNamedIndicator =
        reinterpret_cast<GetNamedIndicatorFn>(library.resolve("XkbGetNamedIndicator"));
    if (!openDisplay || !closeDisplay || !internAtom || !getNamedIndicator) {
      return false;
    }
    display = openDisplay(nullptr);  // the display named by $DISPLAY, as Qt's own
    if (!display) {
      return false;
    }
    caps = internAtom(display, "Caps Lock", 0);
    num = internAtom(display, "Num Lock", 0);
    scroll = internAtom(display, "Scroll Lock", 0);
    return true;
  }

  bool Indicator(XAtom name) const {
    int on = 0;
    return getNamedIndicator(display, name, nullptr, &on, nullptr, nullptr) != 0 && on != 0;
  }

  ~Connection() {
    if (display) {
      closeDisplay(display);
    }
  }
};

void SetLockKeyReader(LockKeyReader reader) {
  TestReader() = std::move(reader);
}

LockKeySource::LockKeySource() : m_reader(TestReader()) {
  if (m_reader || QGuiApplication::platformName() != QLatin1String("xcb")) {
    return;
  }
  auto connection = std::make_unique<Connection>();
  if (connection->Open()) {
    m_pConnection = std::move(connection);
  }
}

LockKeySource::~LockKeySource() = default;

bool LockKeySource::IsAvailable() const {
  return m_reader || m_pConnection != nullptr;
}

std::optional<LockKeyState> LockKeySource::Query() const {
  if (m_reader) {
    return m_reader();
  }
  if (!m_pConnection) {
    return std::nullopt;
  }
  return LockKeyState{m_pConnection->Indicator(m_pConnection->caps),
                      m_pConnection->Indicator(m_pConnection->num),
                      m_pConnection->Indicator(m_pConnection->scroll)};
}

LockIndicators::LockIndicators(QStatusBar* statusBar)
    : QObject(statusBar),
      m_pCaps(AddPane(statusBar, res::CapsIndicatorText())),
      m_pNum(AddPane(statusBar, res::NumIndicatorText())),
      m_pScroll(AddPane(statusBar, res::ScrollIndicatorText())) {
  if (!m_source.IsAvailable()) {
    return;
  }
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &LockIndicators::Refresh);
  timer->start(kRefreshMilliseconds);
  Refresh();
}

LockIndicators::~LockIndicators() = default;

void LockIndicators::Show(const LockKeyState& state) {
  // The panes belong to the status bar and may already be gone while it is torn down.
  if (m_pCaps && m_pNum && m_pScroll) {
    m_pCaps->setEnabled(state.capsLock);
    m_pNum->setEnabled(state.numLock);
    m_pScroll->setEnabled(state.scrollLock);
  }
}

void LockIndicators::Refresh() {
  if (const std::optional<LockKeyState> state = m_source.Query()) {
    Show(*state);
  }
}

}  // namespace vantoria
