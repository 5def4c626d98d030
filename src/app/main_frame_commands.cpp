// Command routing and the enabled state of the commands.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/child_frame.h"
#include "app/document_manager.h"
#include "app/main_frame.h"
#include "res/command_ids.h"
#include "view/vantoria_view.h"

namespace vantoria {
namespace {

using namespace cmd;

// Commands handled whatever window is active.
bool IsAlwaysAvailable(int id) {
  switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_APP_EXIT:
    case ID_APP_ABOUT:
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_EDIT_PASTE:  // a new picture needs no open one
      return true;
    default:
      return false;
  }
}

bool IsApplicationCommand(int id) {
  return id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_APP_EXIT || id == ID_APP_ABOUT;
}

}  // namespace

void CMainFrame::OnActiveChildChanged() {
  // A null activation also comes when the whole window loses the focus; what counts is
  // whether an image window is still current.
  const bool hasChild = MDIGetActive() != nullptr;
  if (hasChild != m_bDocumentMenus) {
    ShowMenuBar(hasChild);
  }
  UpdateCommandUI();
  WatchActiveView();
}

void CMainFrame::UpdateCommandUI() {
  for (const auto& [id, action] : m_actions) {
    action->setEnabled(IsCommandEnabled(id));
  }
}

bool CMainFrame::IsCommandEnabled(int id) const {
  if (IsAlwaysAvailable(id)) {
    return true;
  }
  // Everything else works on the active image window.
  return MDIGetActive() != nullptr;
}

void CMainFrame::OnCommand(int id) {
  if (!IsCommandEnabled(id)) {
    return;  // a disabled command can still be reached through code; it does nothing
  }
  if (IsApplicationCommand(id)) {
    emit applicationCommand(id);
    return;
  }
  if (OnFrameCommand(id)) {
    return;
  }
  if (CVantoriaView* view = GetActiveView(); view && CVantoriaView::IsViewCommand(id)) {
    view->OnCommand(id);
  }
}

bool CMainFrame::OnFrameCommand(int id) {
  CChildFrame* child = MDIGetActive();
  CVantoriaDoc* document = child ? child->GetDocument() : nullptr;
  switch (id) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
      return true;  // the checkable actions show and hide the bars themselves
    case ID_FILE_CLOSE:
      if (document) {
        static_cast<void>(m_documents.CloseDocument(document));  // the manager told the user why
      }
      return true;
    case ID_FILE_SAVE:
      if (document) {
        static_cast<void>(m_documents.DoFileSave(document));
      }
      return true;
    case ID_FILE_SAVE_AS:
      if (document) {
        static_cast<void>(m_documents.DoFileSaveAs(document));
      }
      return true;
    case ID_WINDOW_NEW:
      OnWindowNew();
      return true;
    case ID_EDIT_PASTE:
      static_cast<void>(m_documents.PasteAsNewDocument());  // the manager told the user why
      return true;
    case ID_WINDOW_CASCADE:
      OnWindowCascade();
      return true;
    case ID_WINDOW_TILE_HORZ:
      OnWindowTile();
      return true;
    case ID_WINDOW_ARRANGE:
      OnWindowArrange();
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnWindowNew() {
  const CChildFrame* child = MDIGetActive();
  if (!child) {
    return;
  }
  const QSize size = child->size();
  if (CChildFrame* frame = m_documents.CreateNewFrame(child->GetDocument())) {
    frame->resize(size);
  }
}

// Lines the minimised windows up along the bottom of the area, left to right, starting a new
// row above when one is full.
void CMainFrame::OnWindowArrange() {
  const QRect area = m_pMdiArea->viewport()->rect();
  int x = 0;
  int y = area.bottom() + 1;
  int rowHeight = 0;
  for (QMdiSubWindow* window : m_pMdiArea->subWindowList(QMdiArea::CreationOrder)) {
    if (!window->isMinimized()) {
      continue;
    }
    const QSize size = window->size();
    if (rowHeight == 0 || x + size.width() > area.width()) {
      y -= (rowHeight == 0 ? size.height() : rowHeight);
      x = 0;
      rowHeight = size.height();
    }
    window->move(x, y);
    x += size.width();
  }
}

}  // namespace vantoria
