#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QScreen>

#include "app/child_frame.h"
#include "app/document_manager.h"
#include "document/vantoria_doc.h"
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
  setAcceptDrops(true);  // image files dropped anywhere on the window open (main_frame_drop.cpp)

  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();

  m_documents.SetMdiArea(m_pMdiArea);
  connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveChildChanged);
  connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::FollowActiveChild);
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
  for (const QMetaObject::Connection& connection : m_activeChildConnections) {
    disconnect(connection);
  }
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

void CMainFrame::FollowActiveChild() {
  for (const QMetaObject::Connection& connection : m_activeChildConnections) {
    disconnect(connection);
  }
  m_activeChildConnections.clear();
  if (CChildFrame* child = MDIGetActive()) {
    // The area rewrites the caption itself when a window is maximised or restored, so the
    // caption is set again after it.
    m_activeChildConnections = {
        connect(child, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle),
        connect(child, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle),
        connect(child->GetDocument(), &CDocument::modifiedChanged, this,
                &CMainFrame::UpdateFrameTitle)};
  }
  UpdateFrameTitle();
}

void CMainFrame::UpdateFrameTitle() {
  const CChildFrame* child = MDIGetActive();
  if (!child) {
    setWindowTitle(res::AppTitle());
    setWindowModified(false);
    return;
  }
  // The child's own title carries "[*]" already; the document's title may hold a literal one.
  const QString title = child->isMaximized()
                            ? QLatin1Char('[') + child->windowTitle() + QLatin1Char(']')
                            : QString(child->GetDocument()->GetTitle())
                                      .replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")) +
                                  QStringLiteral("[*]");
  setWindowTitle(res::AppTitle() + QStringLiteral(" - ") + title);
  setWindowModified(child->GetDocument()->IsModified());
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
