#include "app/main_frame_recent.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

#include "app/document_manager.h"
#include "framework/user_prompts.h"

namespace vantoria {
namespace {

// Marks the menu entries this file adds, so the next opening of the menu replaces them.
constexpr const char* kRecentEntryProperty = "vantoriaRecentEntry";

QString GoneText(const QString& path) {
  return QStringLiteral("文件“%1”已不存在，已从最近使用的文件列表中删除。")
      .arg(QDir::toNativeSeparators(path));
}

void OpenRecent(const QString& path, CDocManager& documents, QWidget* dialogParent) {
  if (!QFileInfo::exists(path)) {
    documents.RecentFiles().Remove(path);
    documents.RecentFiles().WriteList();
    prompts::ShowWarning(dialogParent, GoneText(path));
    return;
  }
  documents.OpenDocumentFile(path);
}

void FillRecentEntries(QMenu* menu, QAction* exitAction, CDocManager& documents,
                       QWidget* dialogParent) {
  for (QAction* action : menu->actions()) {
    if (action->property(kRecentEntryProperty).toBool()) {
      menu->removeAction(action);
      action->deleteLater();
    }
  }
  const QStringList entries = documents.RecentFiles().Entries();
  if (entries.isEmpty()) {
    return;
  }
  QList<QAction*> added;
  for (int i = 0; i < entries.size(); ++i) {
    const QString path = entries.at(i);
    QString name = QFileInfo(path).fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name), menu);
    entry->setStatusTip(QDir::toNativeSeparators(path));
    QObject::connect(entry, &QAction::triggered, menu,
                     [path, &documents, parent = QPointer(dialogParent)] {
                       OpenRecent(path, documents, parent);
                     });
    added.append(entry);
  }
  auto* separator = new QAction(menu);
  separator->setSeparator(true);
  added.append(separator);
  for (QAction* action : added) {
    action->setProperty(kRecentEntryProperty, true);
  }
  menu->insertActions(exitAction, added);
}

}  // namespace

void AttachRecentFileList(QMenu* fileMenu, QAction* exitAction, CDocManager& documents,
                          QWidget* dialogParent) {
  QObject::connect(fileMenu, &QMenu::aboutToShow, fileMenu,
                   [fileMenu, exitAction, &documents, parent = QPointer(dialogParent)] {
                     FillRecentEntries(fileMenu, exitAction, documents, parent);
                   });
}

}  // namespace vantoria
