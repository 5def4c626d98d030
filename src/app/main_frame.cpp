#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QScreen>

#include "app/child_frame.h"
#include "app/document_manager.h"
#include "res/app_resources.h"
#include "res/command_strings.h"

namespace vantoria {

CMainFrame* g_pMainFrame = nullptr;

CMainFrame::CMainFrame(CDocManager& documents, QWidget* parent)
    : QMainWindow(parent), m_documents(documents), m_pMdiArea(new QMdiArea(this)) {
  res::InitResources();
  setWindowTitle(res::AppTitle());
  setWindowIcon(res::AppIcon());
  m_pMdiArea->setObjectName(QStringLiteral("mdiArea"));
  setCentralWidget(m_pMdiArea);

  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();

  m_documents.SetMdiArea(m_pMdiArea);
  connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveChildChanged);
  OnActiveChildChanged();

  if (const QScreen* screen = this->screen()) {
    resize(screen->availableSize() * 4 / 5);
  }
  g_pMainFrame = this;
}

CMainFrame::~CMainFrame() {
  // The image windows are destroyed after this body; they must not reach back into a frame
  // that is half gone.
  m_pMdiArea->disconnect(this);
  m_documents.SetMdiArea(nullptr);
  if (g_pMainFrame == this) {
    g_pMainFrame = nullptr;
  }
}

CChildFrame* CMainFrame::MDIGetActive() const {
  // The current window stays current while a dialog or another program has the focus.
  return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

CVantoriaView* CMainFrame::GetActiveView() const {
  const CChildFrame* child = MDIGetActive();
  return child ? child->GetActiveView() : nullptr;
}

QAction* CMainFrame::FindAction(int id) const {
  const auto found = m_actions.find(id);
  return found != m_actions.end() ? found->second : nullptr;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_documents.SaveAllModified()) {
    event->ignore();
    return;
  }
  m_documents.CloseAllDocuments();
  QMainWindow::closeEvent(event);
}

}  // namespace vantoria
