// Opening and saving a document. A failed save changes nothing: the file on disk, the
// document's image, history, path and modified state all stay as they were.
#include <algorithm>

#include "document/image_codecs.h"
#include "document/vantoria_doc.h"

namespace vantoria {
namespace {

QString NoImageText() {
  return QStringLiteral("文档中没有图像，无法保存。");
}
QString NoPathText() {
  return QStringLiteral("没有给出文件名。");
}
QString NoEncoderText(const QString& path) {
  return QStringLiteral("无法保存文件“%1”：不支持这种文件类型。").arg(path);
}

}  // namespace

bool CVantoriaDoc::OnOpenDocument(const QString& path, int displayCopies) {
  return LoadImageFile(path, displayCopies);
}

bool CVantoriaDoc::LoadImageFile(const QString& path, int displayCopies) {
  m_strLastError.clear();
  // The picture and its display copies, each as large as the picture, must fit together.
  const std::size_t room =
      ProgramMemoryBudget().Room() / (1 + static_cast<std::size_t>(std::max(displayCopies, 0)));
  CameraData cameraData;
  ImagePtr image =
      DecodeImageFile(path, std::min(room, m_nHistoryBudget), &m_strLastError, &cameraData);
  if (!image) {
    return false;
  }
  InitImage(std::move(image), std::move(cameraData));
  return true;
}

bool CVantoriaDoc::OnSaveDocument(const QString& path) {
  if (!IsModified() && path == GetPathName()) {
    return true;
  }
  return SaveImageFile(path);
}

bool CVantoriaDoc::SaveImageFile(const QString& path) {
  const std::optional<ImageEncoder> encoder = EncoderForSave(path);
  if (!encoder || !EncodeImageFile(*m_pImage, path, *encoder, &m_strLastError, m_cameraData)) {
    return false;
  }
  MarkSaved(m_nImageVersion);
  return true;
}

std::optional<ImageEncoder> CVantoriaDoc::EncoderForSave(const QString& path) {
  m_strLastError.clear();
  if (path.isEmpty()) {
    m_strLastError = NoPathText();
    return std::nullopt;
  }
  if (!m_pImage) {
    m_strLastError = NoImageText();
    return std::nullopt;
  }
  std::optional<ImageEncoder> encoder = GetEncoderClsid(path);
  if (!encoder) {
    m_strLastError = NoEncoderText(path);
  }
  return encoder;
}

std::optional<SaveSnapshot> CVantoriaDoc::TakeSaveSnapshot() const {
  if (!m_pImage) {
    return std::nullopt;
  }
  // Only free room counts: a faster save is not worth an undo step. Blocks kept for reuse go
  // first, as they would for any allocation.
  MemoryBudget& budget = ProgramMemoryBudget();
  const std::size_t bytes = m_pImage->byteSize();
  const auto freeRoom = [&budget] {
    const std::size_t used = budget.Used();
    const std::size_t limit = budget.Limit();
    return used < limit ? limit - used : 0;
  };
  if (freeRoom() < bytes) {
    ReleaseCachedPixels();
  }
  if (freeRoom() < bytes) {
    return std::nullopt;
  }
  SaveSnapshot snapshot{nullptr, budget.Reserve(bytes), m_nImageVersion, m_cameraData};
  snapshot.image = snapshot.charge ? CloneImage(*m_pImage) : nullptr;
  if (!snapshot.image) {
    return std::nullopt;
  }
  return snapshot;
}

void CVantoriaDoc::OnSnapshotSaved(const QString& path, std::uint64_t version) {
  MarkSaved(version);
  SetPathName(path);
}

void CVantoriaDoc::MarkSaved(std::uint64_t version) {
  if (version != m_nImageVersion) {
    // Edited since: the file holds an older state than any the history can show as saved.
    m_bBaseDiffersFromFile = true;
    SetModifiedByHistory();
    return;
  }
  m_history.RemoveAll();
  m_pCurrentStep = nullptr;
  m_bBaseDiffersFromFile = false;
  SetModifiedFlag(false);
  UpdateAllViews();
}

bool CVantoriaDoc::DoSave(const QString& path, bool replace) {
  QString target = path;
  if (target.isEmpty()) {
    target = m_savePathPrompt ? m_savePathPrompt() : QString();
    if (target.isEmpty()) {
      return false;
    }
  }
  if (!OnSaveDocument(target)) {
    return false;
  }
  if (replace) {
    SetPathName(target);
  }
  return true;
}

}  // namespace vantoria
