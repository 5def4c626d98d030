// Saving documents: Save, Save As and the question before a modified document closes.
#include <QFileInfo>

#include "app/document_manager.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"

namespace vantoria {
namespace {

// The format follows the name's extension; a name typed without one is saved as JPEG.
const QString kDefaultSuffix = QStringLiteral("jpg");

QString SaveFailedText(const CVantoriaDoc& document) {
  if (!document.GetLastError().isEmpty()) {
    return document.GetLastError();
  }
  return QStringLiteral("无法保存“%1”。").arg(document.GetTitle());
}

}  // namespace

bool CDocManager::DoFileSave(CVantoriaDoc* document) {
  QString path = document->GetPathName();
  const QFileInfo file(path);
  // A read-only file is not overwritten: ask for another name instead.
  if (file.exists() && !file.isWritable()) {
    path.clear();
  }
  return SaveAs(document, path);
}

bool CDocManager::DoFileSaveAs(CVantoriaDoc* document) {
  return SaveAs(document, QString());
}

bool CDocManager::SaveAs(CVantoriaDoc* document, const QString& path) {
  m_bSaveCancelled = false;
  if (document->DoSave(path, true)) {
    emit fileUsed(document->GetPathName());
    return true;
  }
  // A cancelled dialog is the user's choice, not a failure to report.
  if (!m_bSaveCancelled) {
    prompts::ShowWarning(DialogParent(), SaveFailedText(*document));
  }
  return false;
}

QString CDocManager::AskSavePath() {
  const QString path = prompts::AskSavePath(DialogParent(), m_saveFilters, kDefaultSuffix);
  m_bSaveCancelled = path.isEmpty();
  return path;
}

bool CDocManager::SaveModified(CVantoriaDoc* document) {
  if (!document->IsModified()) {
    return true;
  }
  switch (prompts::AskSaveChanges(DialogParent(), document->GetTitle())) {
    case prompts::SaveChangesAnswer::Save:
      return DoFileSave(document);
    case prompts::SaveChangesAnswer::Discard:
      return true;
    case prompts::SaveChangesAnswer::Cancel:
      break;
  }
  return false;
}

bool CDocManager::SaveAllModified() {
  for (CVantoriaDoc* document : Documents()) {
    if (!SaveModified(document)) {
      return false;
    }
  }
  return true;
}

}  // namespace vantoria
