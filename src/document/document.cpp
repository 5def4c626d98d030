#include "document/document.h"

#include <QFileInfo>

namespace vantoria {

CDocument::CDocument(QObject* parent) : QObject(parent) {}

void CDocument::SetModifiedFlag(bool modified) {
  if (m_bModified == modified) {
    return;
  }
  m_bModified = modified;
  emit modifiedChanged(modified);
}

void CDocument::SetPathName(const QString& path) {
  m_strPathName = path;
  SetTitle(QFileInfo(path).fileName());
}

void CDocument::SetTitle(const QString& title) {
  if (m_strTitle == title) {
    return;
  }
  m_strTitle = title;
  emit titleChanged(title);
}

void CDocument::UpdateAllViews() {
  emit updateViews();
}

}  // namespace vantoria
