// What the window shows of the active picture: the zoom box and the panes for the picture's
// size, the pixel under the pointer and the selection; the shortcuts added beside the menus.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStatusBar>

#include "app/main_frame.h"
#include "document/vantoria_doc.h"
#include "res/command_ids.h"
#include "view/vantoria_view.h"

namespace vantoria {
namespace {

using namespace cmd;

constexpr const char* kZoomChoices[] = {"12.5%", "25%",  "50%",  "100%",
                                        "200%",  "400%", "800%", "1600%"};

QLabel* AddPane(QStatusBar* bar, const char* name, int minimumWidth) {
  auto* pane = new QLabel(bar);
  pane->setObjectName(QString::fromLatin1(name));
  pane->setMinimumWidth(minimumWidth);
  pane->setAlignment(Qt::AlignCenter);
  bar->addPermanentWidget(pane);
  return pane;
}

QString SizeText(QSize size) {
  return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

}  // namespace

void CMainFrame::CreateViewPanes() {
  QStatusBar* bar = statusBar();
  m_pSizePane = AddPane(bar, "sizePane", 90);
  m_pPixelPane = AddPane(bar, "pixelPane", 170);
  m_pSelectionPane = AddPane(bar, "selectionPane", 90);
  m_pZoomBox = new QComboBox(bar);
  m_pZoomBox->setObjectName(QStringLiteral("zoomBox"));
  m_pZoomBox->setEditable(true);
  m_pZoomBox->setInsertPolicy(QComboBox::NoInsert);
  for (const char* choice : kZoomChoices) {
    m_pZoomBox->addItem(QString::fromLatin1(choice));
  }
  bar->addPermanentWidget(m_pZoomBox);
  connect(m_pZoomBox, &QComboBox::textActivated, this, &CMainFrame::OnZoomBoxText);
  UpdateViewPanes();
}

void CMainFrame::OnZoomBoxText(const QString& text) {
  Zoom zoom;
  CVantoriaView* view = GetActiveView();
  if (view && ParsePercent(text, zoom)) {
    view->SetZoom(zoom);
  }
  UpdateViewPanes();  // an unreadable entry shows the zoom again
}

void CMainFrame::WatchActiveView() {
  CVantoriaView* view = GetActiveView();
  if (view != m_pWatchedView) {
    disconnect(m_viewWatch);
    m_pWatchedView = view;
    if (view) {
      m_viewWatch =
          connect(view, &CVantoriaView::viewStateChanged, this, &CMainFrame::UpdateViewPanes);
    }
  }
  UpdateViewPanes();
}

void CMainFrame::UpdateViewPanes() {
  if (!m_pZoomBox) {
    return;
  }
  const CVantoriaView* view = m_pWatchedView;
  const QSize size = view ? view->ImageSize() : QSize();
  m_pZoomBox->setEnabled(view != nullptr);
  if (!view || size.isEmpty()) {
    m_pSizePane->clear();
    m_pPixelPane->clear();
    m_pSelectionPane->clear();
    m_pZoomBox->setEditText(view ? view->GetZoom().PercentText() : QString());
    return;
  }
  m_pSizePane->setText(SizeText(size));
  QString pixel;
  if (const auto at = view->PixelUnderPointer()) {
    const CVantoriaDoc* document = view->GetDocument();
    const PixelImage* image = document ? document->GetImage() : nullptr;
    if (image && at->x() < image->width && at->y() < image->height) {
      const QString colour =
          QString::number(image->rows[at->y()][at->x()], 16).rightJustified(8, QLatin1Char('0'));
      pixel = QStringLiteral("%1, %2  #%3").arg(at->x()).arg(at->y()).arg(colour.toUpper());
    }
  }
  m_pPixelPane->setText(pixel);
  const auto selection = view->GetSelectionRect();
  m_pSelectionPane->setText(selection ? SizeText({selection->width(), selection->height()})
                                      : QString());
  if (!m_pZoomBox->lineEdit()->hasFocus()) {
    m_pZoomBox->setEditText(view->GetZoom().PercentText());
  }
}

void CMainFrame::AddSecondaryShortcuts() {
  // Second keys of the platform's habits; the menus keep showing the first ones.
  FindAction(ID_VIEW_ZOOM_IN)
      ->setShortcuts(
          {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  const std::pair<QKeySequence, int> extra[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_W), ID_FILE_CLOSE},
      {QKeySequence(Qt::CTRL | Qt::Key_Q), ID_APP_EXIT},
  };
  for (const auto& [keys, id] : extra) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
  }
}

}  // namespace vantoria
