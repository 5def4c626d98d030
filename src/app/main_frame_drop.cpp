// Image files dropped on the main window open as File > Open opens them.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/document_manager.h"
#include "app/main_frame.h"

namespace vantoria {
namespace {

QStringList LocalFiles(const QMimeData* data) {
  QStringList paths;
  if (data && data->hasUrls()) {
    for (const QUrl& url : data->urls()) {
      if (url.isLocalFile()) {
        paths.append(url.toLocalFile());
      }
    }
  }
  return paths;
}

}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QStringList paths = LocalFiles(event->mimeData());
  if (paths.isEmpty()) {
    return;
  }
  event->acceptProposedAction();
  // Each through the open path: one already open is brought forward, one that cannot be read
  // is refused with the usual message.
  for (const QString& path : paths) {
    static_cast<void>(m_documents.OpenDocumentFile(path));
  }
}

}  // namespace vantoria
