#include "app/child_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "app/document_manager.h"
#include "document/vantoria_doc.h"
#include "res/app_resources.h"
#include "view/vantoria_view.h"

namespace vantoria {

CChildFrame::CChildFrame(CVantoriaDoc* document, CDocManager& manager, QWidget* parent)
    : QMdiSubWindow(parent),
      m_pDocument(document),
      m_pManager(&manager),
      m_pView(new CVantoriaView(document, this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(m_pView);
  setWindowIcon(res::AppIcon());
  ReleaseCtrlW();
  connect(document, &CDocument::titleChanged, this, &CChildFrame::UpdateFrameTitle);
  connect(document, &CDocument::modifiedChanged, this, &QWidget::setWindowModified);
  UpdateFrameTitle();  // the "[*]" placeholder must be there before the modified mark
  setWindowModified(document->IsModified());
}

CChildFrame::~CChildFrame() {
  if (m_pManager) {
    m_pManager->OnFrameDestroyed(this);
  }
}

void CChildFrame::ReleaseCtrlW() {
  // The window menu's own Close item takes Ctrl+W too; the main window gives that key to
  // closing the document, and a key with two owners runs neither. Ctrl+F4 stays with the item.
  const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
  for (QAction* action : systemMenu() ? systemMenu()->actions() : QList<QAction*>()) {
    QList<QKeySequence> keys = action->shortcuts();
    if (keys.removeAll(ctrlW) > 0) {
      action->setShortcuts(keys);
    }
  }
}

void CChildFrame::SetWindowNumber(int number) {
  m_nWindowNumber = number;
  UpdateFrameTitle();
}

void CChildFrame::UpdateFrameTitle() {
  QString title = m_pDocument->GetTitle();
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));  // a literal "[*]" in a name
  if (m_nWindowNumber > 0) {
    title += QLatin1Char(':') + QString::number(m_nWindowNumber);
  }
  setWindowTitle(title + QStringLiteral("[*]"));
}

void CChildFrame::CloseFrame() {
  m_bCloseWithoutAsking = true;
  close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!m_bCloseWithoutAsking && m_pManager && !m_pManager->CanCloseFrame(this)) {
    event->ignore();
    return;
  }
  QMdiSubWindow::closeEvent(event);
}

}  // namespace vantoria
