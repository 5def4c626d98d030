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
  m_strLastError.clear();
  if (path.isEmpty()) {
    m_strLastError = NoPathText();
    return false;
  }
  if (!m_pImage) {
    m_strLastError = NoImageText();
    return false;
  }
  const std::optional<ImageEncoder> encoder = GetEncoderClsid(path);
  if (!encoder) {
    m_strLastError = NoEncoderText(path);
    return false;
  }
  if (!EncodeImageFile(*m_pImage, path, *encoder, &m_strLastError, m_cameraData)) {
    return false;
  }
  m_history.RemoveAll();
  m_pCurrentStep = nullptr;
  m_bBaseDiffersFromFile = false;
  SetModifiedFlag(false);
  UpdateAllViews();
  return true;
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
