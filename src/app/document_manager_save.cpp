// Saving documents: Save, Save As and the question before a modified document closes. Files
// are written on a worker from a copy of the picture, so the window stays responsive.
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFuture>
#include <QPointer>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "app/document_manager.h"
#include "app/testing_hooks.h"
#include "document/file_types.h"
#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"

namespace vantoria {
namespace {

constexpr int kRecentFileCount = 5;
const QString kLastFolderKey = QStringLiteral("Files/LastFolder");
// The type proposed for a new picture or one whose own format cannot be written.
const QString kProposedType = QStringLiteral("PNG");

SaveEncoder& SaveEncoderHook() {
  static SaveEncoder hook;  // user-interface thread only; each save takes a copy
  return hook;
}

QString SaveFailedText(const QString& error, const CVantoriaDoc& document) {
  if (!error.isEmpty()) {
    return error;
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

void SetSaveEncoder(SaveEncoder encoder) {
  SaveEncoderHook() = std::move(encoder);
}

// The worker reads the snapshot and writes the result fields; the user-interface thread reads
// them only once the worker has posted OnSaveFinished as its last act.
struct CDocManager::SaveJob {
  QPointer<CVantoriaDoc> document;
  QString path;
  SaveSnapshot snapshot;
  bool saved = false;
  QString error;
  QFuture<void> done;
};

// Here, where the running saves' type is known.
CDocManager::CDocManager(QObject* parent) : QObject(parent), m_recentFiles(kRecentFileCount) {}

CDocManager::~CDocManager() {
  // The workers read snapshots held here; their results are no longer wanted.
  for (const std::unique_ptr<SaveJob>& job : m_saves) {
    job->done.waitForFinished();
  }
}

bool CDocManager::DoFileSave(CVantoriaDoc* document) {
  WaitForSaves(document);  // a Save As under way may change the path
  const QString path = document->GetPathName();
  return SaveAs(document, CanSaveInPlace(path) ? path : QString());
}

bool CDocManager::DoFileSaveAs(CVantoriaDoc* document) {
  WaitForSaves(document);
  return SaveAs(document, QString());
}

bool CDocManager::SaveAs(CVantoriaDoc* document, const QString& path) {
  if (!path.isEmpty() && !ConfirmAlphaLoss(document, path)) {
    return false;
  }
  const QString target = path.isEmpty() ? AskSavePath(document) : path;
  if (target.isEmpty()) {
    return false;  // the user cancelled
  }
  if (!document->IsModified() && target == document->GetPathName()) {
    NoteFileUsed(target);  // nothing to write
    return true;
  }
  if (StartSave(document, target)) {
    return true;
  }
  // No room for a copy, or the save cannot start: as before, from the document's own picture.
  if (document->DoSave(target, true)) {
    NoteFileUsed(document->GetPathName());
    return true;
  }
  prompts::ShowWarning(DialogParent(), SaveFailedText(document->GetLastError(), *document));
  return false;
}

bool CDocManager::StartSave(CVantoriaDoc* document, const QString& path) {
  const std::optional<ImageEncoder> encoder = document->EncoderForSave(path);
  std::optional<SaveSnapshot> snapshot = encoder ? document->TakeSaveSnapshot() : std::nullopt;
  if (!snapshot) {
    return false;
  }
  SaveJob* job = m_saves.emplace_back(std::make_unique<SaveJob>()).get();
  job->document = document;
  job->path = path;
  job->snapshot = std::move(*snapshot);
  job->done = QtConcurrent::run([this, job, encode = SaveEncoderHook(), with = *encoder] {
    const SaveSnapshot& snapshot = job->snapshot;
    job->saved = encode ? encode(*snapshot.image, job->path, with, &job->error)
                        : EncodeImageFile(*snapshot.image, job->path, with, &job->error,
                                          snapshot.cameraData);
    QMetaObject::invokeMethod(
        this, [this, job] { OnSaveFinished(job); }, Qt::QueuedConnection);
  });
  emit savesChanged();
  return true;
}

void CDocManager::OnSaveFinished(SaveJob* job) {
  const auto found =
      std::find_if(m_saves.begin(), m_saves.end(),
                   [job](const std::unique_ptr<SaveJob>& held) { return held.get() == job; });
  if (found == m_saves.end()) {
    return;
  }
  const std::unique_ptr<SaveJob> finished = std::move(*found);
  m_saves.erase(found);
  finished->done.waitForFinished();  // it has posted this call: only its return is left
  const std::uint64_t version = finished->snapshot.version;
  finished->snapshot = {};  // the copy's memory goes back before anything is shown
  emit savesChanged();
  CVantoriaDoc* document = finished->document;
  if (!document) {
    return;  // closed without asking, as the program ends
  }
  if (finished->saved) {
    document->OnSnapshotSaved(finished->path, version);
    NoteFileUsed(finished->path);
  } else {
    prompts::ShowWarning(DialogParent(), SaveFailedText(finished->error, *document));
  }
}

bool CDocManager::IsSaving(const CVantoriaDoc* document) const {
  return std::any_of(m_saves.begin(), m_saves.end(),
                     [document](const std::unique_ptr<SaveJob>& job) {
                       return !document || job->document == document;
                     });
}

void CDocManager::WaitForSaves(const CVantoriaDoc* document) {
  while (IsSaving(document)) {
    // The window repaints meanwhile; clicks and keys wait until the save has ended.
    QEventLoop loop;
    connect(this, &CDocManager::savesChanged, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
}

QString CDocManager::SaveStatusText() const {
  QStringList names;
  for (const std::unique_ptr<SaveJob>& job : m_saves) {
    names.append(QFileInfo(job->path).fileName());
  }
  return names.isEmpty() ? QString()
                         : QStringLiteral("正在保存 %1…").arg(names.join(QStringLiteral("、")));
}

QString CDocManager::AskSavePath(CVantoriaDoc* document) {
  const prompts::SavePathAnswer answer =
      prompts::AskSavePath(DialogParent(), SaveRequestFor(*document));
  const QString path = WithDefaultSuffix(answer.path, SuffixOfNameFilter(answer.selectedFilter));
  const bool cancelled = path.isEmpty() || !ConfirmAlphaLoss(document, path);
  return cancelled ? QString() : path;
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
  WaitForSaves(document);
  if (!document->IsModified()) {
    return true;
  }
  switch (prompts::AskSaveChanges(DialogParent(), document->GetTitle())) {
    case prompts::SaveChangesAnswer::Save:
      if (!DoFileSave(document)) {
        return false;
      }
      WaitForSaves(document);
      return !document->IsModified();
    case prompts::SaveChangesAnswer::Discard:
      return true;
    case prompts::SaveChangesAnswer::Cancel:
      break;
  }
  return false;
}

bool CDocManager::SaveAllModified() {
  WaitForSaves();
  for (CVantoriaDoc* document : Documents()) {
    if (!SaveModified(document)) {
      return false;
    }
  }
  return true;
}

}  // namespace vantoria
