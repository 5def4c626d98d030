// Cascade and tile keep every image window inside the area at a size the picture can use.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include "app/main_frame.h"
#include "app/window_placement.h"

namespace vantoria {
namespace {

constexpr QSize kSmallestWindow(240, 160);

int CascadeStep(const QWidget* window) {
  return window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 4;
}

}  // namespace

void CMainFrame::OnWindowCascade() {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList(QMdiArea::StackingOrder)) {
    if (!window->isMinimized()) {
      windows.append(window);
    }
  }
  if (windows.isEmpty()) {
    return;
  }
  const QSize area = m_pMdiArea->viewport()->size();
  const int step = CascadeStep(windows.front());
  // Every window as large as the cascade leaves room for, the active one on top.
  const int spread = step * static_cast<int>(windows.size() - 1);
  const QSize wanted =
      QSize(area.width() - spread, area.height() - spread).expandedTo(area * 2 / 3);
  for (int i = 0; i < windows.size(); ++i) {
    QMdiSubWindow* window = windows.at(i);
    if (window->isMaximized()) {
      window->showNormal();
    }
    window->setGeometry(PlaceCascaded(area, wanted, kSmallestWindow, i, step));
    window->raise();
  }
}

void CMainFrame::OnWindowTile() {
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
    if (window->isMaximized()) {
      window->showNormal();
    }
  }
  m_pMdiArea->tileSubWindows();
}

}  // namespace vantoria
