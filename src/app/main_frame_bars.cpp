// The toolbar and the status bar.
#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/document_manager.h"
#include "app/lock_indicators.h"
#include "app/main_frame.h"
#include "res/command_ids.h"
#include "res/command_strings.h"

namespace vantoria {
namespace {

using namespace cmd;

// Ten buttons in four groups, then the zoom buttons; 0 stands for a separator.
constexpr int kToolBarButtons[] = {
    ID_FILE_OPEN,
    ID_FILE_SAVE,
    ID_FILE_SAVE_AS,
    0,
    ID_MIRROR_HORIZONTAL,
    ID_MIRROR_VERTICAL,
    0,
    ID_ROTATE_RIGHT_90,
    ID_ROTATE_LEFT_90,
    0,
    ID_EDIT_UNDO,
    ID_EDIT_REDO,
    0,
    ID_EDIT_SELECT_ALL,
    0,
    ID_VIEW_ZOOM_IN,
    ID_VIEW_ZOOM_OUT,
    ID_VIEW_ZOOM_ACTUAL,
    ID_VIEW_ZOOM_FIT,
};

}  // namespace

void CMainFrame::CreateToolBar() {
  m_pToolBar = new QToolBar(QString::fromUtf8("工具栏"), this);
  m_pToolBar->setObjectName(QStringLiteral("toolBar"));
  m_pToolBar->setIconSize(QSize(16, 16));
  m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  m_pToolBar->setMovable(true);
  m_pToolBar->setFloatable(true);
  m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  for (int id : kToolBarButtons) {
    if (id == 0) {
      m_pToolBar->addSeparator();
    } else {
      m_pToolBar->addAction(FindAction(id));
    }
  }
  addToolBar(Qt::TopToolBarArea, m_pToolBar);

  // The View menu's tick follows the bar, also when it is hidden some other way.
  QAction* toggle = FindAction(ID_VIEW_TOOLBAR);
  connect(toggle, &QAction::toggled, m_pToolBar, &QWidget::setVisible);
  connect(m_pToolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  // A normal widget shows whenever no prompt does: the idle text.
  auto* idle = new QLabel(res::IdleStatusText(), bar);
  idle->setObjectName(QStringLiteral("idlePane"));
  bar->addWidget(idle, 1);
  CreateViewPanes();
  m_pIndicators = new LockIndicators(bar);
  // Saves run beside the window; these panes say so until they end.
  m_pSavePane = new QLabel(bar);
  m_pSavePane->setObjectName(QStringLiteral("savePane"));
  m_pSaveProgress = new QProgressBar(bar);
  m_pSaveProgress->setObjectName(QStringLiteral("saveProgress"));
  m_pSaveProgress->setRange(0, 0);  // the encoders report no progress: a busy bar
  m_pSaveProgress->setMaximumWidth(100);
  bar->addPermanentWidget(m_pSavePane);
  bar->addPermanentWidget(m_pSaveProgress);
  connect(&m_documents, &CDocManager::savesChanged, this, &CMainFrame::UpdateSavePane);
  UpdateSavePane();

  QAction* toggle = FindAction(ID_VIEW_STATUS_BAR);
  connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::UpdateSavePane() {
  const QString text = m_documents.SaveStatusText();
  m_pSavePane->setText(text);
  m_pSavePane->setVisible(!text.isEmpty());
  m_pSaveProgress->setVisible(!text.isEmpty());
}

}  // namespace vantoria
