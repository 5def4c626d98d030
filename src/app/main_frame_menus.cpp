// The commands' actions and the two menu bars.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "app/main_frame.h"
#include "app/main_frame_recent.h"
#include "res/app_resources.h"
#include "res/command_ids.h"
#include "res/command_strings.h"

namespace vantoria {
namespace {

using namespace cmd;

// Undo has a second shortcut that the menu does not show.
const QKeySequence kAltBackspace(Qt::ALT | Qt::Key_Backspace);

// Entries of the Window menu's list of open windows carry ids from here on.
constexpr int kFirstWindowListId = 0xFF00;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

void CMainFrame::CreateActions() {
  for (int id : res::CommandIds()) {
    CreateAction(id);
  }
  FindAction(ID_EDIT_UNDO)->setShortcuts({res::MenuShortcut(ID_EDIT_UNDO), kAltBackspace});
  // New has no menu item; its shortcut is the only way to it.
  FindAction(ID_FILE_NEW)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
    FindAction(id)->setCheckable(true);
    FindAction(id)->setChecked(true);
  }
  AddSecondaryShortcuts();
}

QAction* CMainFrame::CreateAction(int id) {
  auto* action = new QAction(res::MenuCaption(id), this);
  action->setData(id);
  action->setIcon(res::CommandIcon(id));
  action->setStatusTip(res::StatusPrompt(id));
  if (!res::ToolTip(id).isEmpty()) {
    action->setToolTip(res::ToolTip(id));
  }
  action->setShortcut(res::MenuShortcut(id));
  // Shortcuts work whichever menu bar is shown: the actions belong to the window itself.
  addAction(action);
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  m_actions.emplace(id, action);
  return action;
}

QMenu* CMainFrame::AddMenu(QList<QMenu*>& bar, const QString& title,
                           std::initializer_list<int> ids) {
  auto* menu = new QMenu(title, this);
  for (int id : ids) {
    if (id == 0) {
      menu->addSeparator();
    } else {
      menu->addAction(FindAction(id));
    }
  }
  bar.append(menu);
  return menu;
}

QMenu* CMainFrame::AddSubmenu(QMenu* menu, const QString& title, std::initializer_list<int> ids) {
  QMenu* submenu = menu->addMenu(title);
  for (int id : ids) {
    if (id == 0) {
      submenu->addSeparator();
    } else {
      submenu->addAction(FindAction(id));
    }
  }
  return submenu;
}

void CMainFrame::CreateMenus() {
  // Menu bar 128: no image window. A 0 stands for a separator.
  QMenu* file = AddMenu(m_mainMenus, Text("文件(&F)"), {ID_FILE_OPEN, 0, ID_APP_EXIT});
  AttachRecentFileList(file, FindAction(ID_APP_EXIT), m_documents, this);
  AddMenu(m_mainMenus, Text("查看(&V)"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR});
  AddMenu(m_mainMenus, Text("帮助(&H)"), {ID_APP_ABOUT});

  // Menu bar 129: an image window is active.
  file = AddMenu(m_documentMenus, Text("文件(&F)"),
                 {ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0, ID_APP_EXIT});
  AttachRecentFileList(file, FindAction(ID_APP_EXIT), m_documents, this);
  AddMenu(m_documentMenus, Text("编辑(&E)"),
          {ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_SELECT_ALL, 0, ID_EDIT_SELECT_NONE, ID_EDIT_COPY,
           ID_EDIT_PASTE});

  QMenu* image = AddMenu(m_documentMenus, Text("图像(&I)"), {});
  QMenu* adjust = AddSubmenu(
      image, Text("调整(&A)"),
      {ID_ADJUST_BRIGHTNESS_CONTRAST, ID_ADJUST_TRANSPARENCY, 0, ID_ADJUST_HSL, ID_ADJUST_INVERT});
  AddSubmenu(adjust, Text("转为灰度图(&G)"), {ID_GRAY_MAXIMUM, ID_GRAY_AVERAGE, ID_GRAY_WEIGHTED});
  adjust->addAction(FindAction(ID_ADJUST_THRESHOLD));
  adjust->addSeparator();
  adjust->addAction(FindAction(ID_ADJUST_REDEYE));
  image->addSeparator();
  image->addAction(FindAction(ID_IMAGE_SIZE));
  image->addAction(FindAction(ID_IMAGE_CROP));
  image->addSeparator();
  image->addAction(FindAction(ID_IMAGE_ROTATE));
  AddSubmenu(image, Text("镜像(&F)"), {ID_MIRROR_HORIZONTAL, ID_MIRROR_VERTICAL});

  QMenu* filter = AddMenu(m_documentMenus, Text("滤镜(&L)"), {});
  AddSubmenu(filter, Text("锐化(&P)"), {ID_SHARPEN_LAPLACIAN});
  AddSubmenu(filter, Text("柔化(&O)"), {ID_SOFTEN_SIMPLE, ID_SOFTEN_GAUSSIAN, ID_SOFTEN_MEDIAN});
  filter->addAction(FindAction(ID_FILTER_EMBOSS));
  filter->addAction(FindAction(ID_FILTER_MOSAIC));
  filter->addAction(FindAction(ID_FILTER_SKETCH));

  AddMenu(m_documentMenus, Text("查看(&V)"),
          {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT,
           ID_VIEW_ZOOM_ACTUAL, ID_VIEW_ZOOM_FIT});
  QMenu* window =
      AddMenu(m_documentMenus, Text("窗口(&W)"),
              {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE});
  connect(window, &QMenu::aboutToShow, this, [this, window] { FillWindowList(window); });
  AddMenu(m_documentMenus, Text("帮助(&H)"), {ID_APP_ABOUT});

  ShowMenuBar(false);
}

void CMainFrame::ShowMenuBar(bool documentMenus) {
  m_bDocumentMenus = documentMenus;
  QMenuBar* bar = menuBar();
  bar->clear();  // removes the menus' entries; the menus themselves belong to this window
  for (QMenu* menu : documentMenus ? m_documentMenus : m_mainMenus) {
    bar->addMenu(menu);
  }
}

// The Window menu ends with the open image windows, the active one checked, as desktop
// programs with several document windows do.
void CMainFrame::FillWindowList(QMenu* menu) {
  qDeleteAll(m_windowListActions);
  m_windowListActions.clear();
  const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
  if (windows.isEmpty()) {
    return;
  }
  m_windowListActions.append(menu->addSeparator());
  for (int i = 0; i < windows.size(); ++i) {
    QMdiSubWindow* window = windows.at(i);
    QString title = window->windowTitle();
    title.replace(QStringLiteral("[*]"), QString()).replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* entry = menu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                           : QStringLiteral("%1 %2").arg(i + 1).arg(title));
    entry->setData(kFirstWindowListId + i);
    entry->setCheckable(true);
    entry->setChecked(window == m_pMdiArea->currentSubWindow());
    connect(entry, &QAction::triggered, this, [this, target = QPointer(window)] {
      if (target) {
        m_pMdiArea->setActiveSubWindow(target);
      }
    });
    m_windowListActions.append(entry);
  }
}

}  // namespace vantoria
