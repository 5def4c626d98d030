// Saving documents: Save, Save As and the question before a modified document closes.
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/document_manager.h"
#include "document/file_types.h"
#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"

namespace vantoria {
namespace {

const QString kLastFolderKey = QStringLiteral("Files/LastFolder");
// The type proposed for a new picture or one whose own format cannot be written.
const QString kProposedType = QStringLiteral("PNG");

QString SaveFailedText(const CVantoriaDoc& document) {
  if (!document.GetLastError().isEmpty()) {
    return document.GetLastError();
  }
  return QStringLiteral("无法保存“%1”。").arg(document.GetTitle());
}

QString AlphaLossQuestion(const CVantoriaDoc& document, const QString& type) {
  return QStringLiteral(
             "图像“%1”含有透明区域，%2 格式不能保存透明度，这些区域将变为不透明。"
             "仍要保存吗？")
      .arg(document.GetTitle(), type);
}

// A path that Save can write in place: a file that may be overwritten, in a format with an
// encoder.
bool CanSaveInPlace(const QString& path) {
  const QFileInfo file(path);
  if (path.isEmpty() || (file.exists() && !file.isWritable())) {
    return false;
  }
  return GetEncoderClsid(path).has_value();
}

}  // namespace

bool CDocManager::DoFileSave(CVantoriaDoc* document) {
  const QString path = document->GetPathName();
  return SaveAs(document, CanSaveInPlace(path) ? path : QString());
}

bool CDocManager::DoFileSaveAs(CVantoriaDoc* document) {
  return SaveAs(document, QString());
}

bool CDocManager::SaveAs(CVantoriaDoc* document, const QString& path) {
  m_bSaveCancelled = false;
  if (!path.isEmpty() && !ConfirmAlphaLoss(document, path)) {
    return false;
  }
  if (document->DoSave(path, true)) {
    NoteFileUsed(document->GetPathName());
    return true;
  }
  // A cancelled dialog is the user's choice, not a failure to report.
  if (!m_bSaveCancelled) {
    prompts::ShowWarning(DialogParent(), SaveFailedText(*document));
  }
  return false;
}

QString CDocManager::AskSavePath(CVantoriaDoc* document) {
  const prompts::SavePathAnswer answer =
      prompts::AskSavePath(DialogParent(), SaveRequestFor(*document));
  const QString path = WithDefaultSuffix(answer.path, SuffixOfNameFilter(answer.selectedFilter));
  m_bSaveCancelled = path.isEmpty() || !ConfirmAlphaLoss(document, path);
  return m_bSaveCancelled ? QString() : path;
}

prompts::SavePathRequest CDocManager::SaveRequestFor(const CVantoriaDoc& document) const {
  const QString path = document.GetPathName();
  const std::optional<ImageEncoder> own = path.isEmpty() ? std::nullopt : GetEncoderClsid(path);
  QString filter = own ? NameFilterFor(m_saveFilters, own->description) : QString();
  if (filter.isEmpty()) {
    filter = NameFilterFor(m_saveFilters, kProposedType);
  }
  if (own) {
    return {m_saveFilters, filter, path};
  }
  // A new picture goes to the last folder used; one in a read-only format keeps its folder and
  // name with the proposed type's extension.
  const QFileInfo file(path);
  const QString folder = path.isEmpty() ? LastFolder() : file.absolutePath();
  const QString name = path.isEmpty() ? document.GetTitle() : file.completeBaseName();
  return {m_saveFilters, filter,
          QDir(folder).filePath(WithDefaultSuffix(name, SuffixOfNameFilter(filter)))};
}

bool CDocManager::ConfirmAlphaLoss(CVantoriaDoc* document, const QString& path) {
  Entry* entry = EntryOf(document);
  const PixelImage* image = document->GetImage();
  if (!entry || entry->alphaLossAccepted || !image) {
    return true;
  }
  if (!document->IsModified() && path == document->GetPathName()) {
    return true;  // nothing will be written
  }
  const std::optional<ImageEncoder> encoder = GetEncoderClsid(path);
  if (!encoder || FormatKeepsAlpha(encoder->format) || IsOpaque(*image)) {
    return true;
  }
  if (!prompts::AskYesNo(DialogParent(), AlphaLossQuestion(*document, encoder->description))) {
    m_bSaveCancelled = true;
    return false;
  }
  entry->alphaLossAccepted = true;
  return true;
}

void CDocManager::NoteFileUsed(const QString& path) {
  m_recentFiles.Add(path);
  m_recentFiles.WriteList();
  QSettings().setValue(kLastFolderKey, QFileInfo(path).absolutePath());
  emit fileUsed(path);
}

QString CDocManager::LastFolder() const {
  const QString folder = QSettings().value(kLastFolderKey).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
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
