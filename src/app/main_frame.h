#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <initializer_list>
#include <map>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QToolBar;

namespace vantoria {

class CChildFrame;
class CDocManager;
class CVantoriaView;
class LockIndicators;

// The main window: menu bar, toolbar, status bar and the area holding the image windows. Its
// caption is "Vantoria", followed by " - " and the active picture's title while one is open
// ("Vantoria - photo.png*", the "*" while it has unsaved changes), or by " - [photo.png:2]"
// while that picture's window is maximised.
// Every command is a QAction carrying its command id (QAction::data). The menu bar shows the
// File, View and Help menus while no image window is active and the full set while one is.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CDocManager& documents, QWidget* parent = nullptr);
  ~CMainFrame() override;

  QMdiArea* GetMdiArea() const { return m_pMdiArea; }
  QToolBar* GetToolBar() const { return m_pToolBar; }
  LockIndicators* GetLockIndicators() const { return m_pIndicators; }
  // The active image window, its view and document; none while no image window is open.
  CChildFrame* MDIGetActive() const;
  CVantoriaView* GetActiveView() const;

  QAction* FindAction(int id) const;
  // Whether the image menus are on the menu bar.
  bool ShowsDocumentMenus() const { return m_bDocumentMenus; }

  // Runs a command as its menu item, toolbar button or shortcut would.
  void OnCommand(int id);

 signals:
  // About, Open, New and Exit: the application's own commands.
  void applicationCommand(int id);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // main_frame_drop.cpp
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // main_frame_menus.cpp
  void CreateActions();
  QAction* CreateAction(int id);
  void CreateMenus();
  QMenu* AddMenu(QList<QMenu*>& bar, const QString& title, std::initializer_list<int> ids);
  QMenu* AddSubmenu(QMenu* menu, const QString& title, std::initializer_list<int> ids);
  void FillWindowList(QMenu* menu);
  void ShowMenuBar(bool documentMenus);
  // main_frame_bars.cpp
  void CreateToolBar();
  void CreateStatusBar();
  void UpdateSavePane();
  // main_frame_zoom.cpp
  void CreateViewPanes();
  void AddSecondaryShortcuts();
  void WatchActiveView();
  void UpdateViewPanes();
  void OnZoomBoxText(const QString& text);
  // main_frame_windows.cpp
  void OnWindowCascade();
  void OnWindowTile();
  // main_frame.cpp
  void FollowActiveChild();
  void UpdateFrameTitle();
  // main_frame_commands.cpp
  void OnActiveChildChanged();
  void UpdateCommandUI();
  bool IsCommandEnabled(int id) const;
  bool OnFrameCommand(int id);
  void OnWindowNew();
  void OnWindowArrange();

  CDocManager& m_documents;
  QMdiArea* m_pMdiArea;
  QToolBar* m_pToolBar = nullptr;
  LockIndicators* m_pIndicators = nullptr;
  std::map<int, QAction*> m_actions;
  QList<QMenu*> m_mainMenus;      // menu bar 128: no image window
  QList<QMenu*> m_documentMenus;  // menu bar 129: an image window is active
  QList<QAction*> m_windowListActions;
  std::vector<QMetaObject::Connection> m_activeChildConnections;  // for the caption
  bool m_bDocumentMenus = false;
  // Status panes of the active view: picture size, pixel under the pointer, selection, zoom.
  QLabel* m_pSizePane = nullptr;
  QLabel* m_pPixelPane = nullptr;
  QLabel* m_pSelectionPane = nullptr;
  QComboBox* m_pZoomBox = nullptr;
  // Shown while files are being saved: which, and a busy bar.
  QLabel* m_pSavePane = nullptr;
  QProgressBar* m_pSaveProgress = nullptr;
  QPointer<CVantoriaView> m_pWatchedView;
  QMetaObject::Connection m_viewWatch;
};

// The one main window, set while it exists; the operation dispatcher finds the active image
// window through it.
extern CMainFrame* g_pMainFrame;

}  // namespace vantoria
