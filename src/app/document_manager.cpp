#include "app/document_manager.h"

#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMdiArea>
#include <QSettings>
#include <QStyle>
#include <QtMath>
#include <memory>

#include "app/child_frame.h"
#include "app/window_placement.h"
#include "core/memory_budget.h"
#include "core/pixel_image.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"
#include "operations/dispatcher_texts.h"
#include "res/command_strings.h"
#include "view/vantoria_view.h"

namespace vantoria {
namespace {

// Two spellings of one file (a symbolic link, "..") name the same document.
bool SameFile(const QString& a, const QString& b) {
  const QString canonicalA = QFileInfo(a).canonicalFilePath();
  const QString canonicalB = QFileInfo(b).canonicalFilePath();
  if (!canonicalA.isEmpty() && !canonicalB.isEmpty()) {
    return canonicalA == canonicalB;
  }
  return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

QString OpenFailedText(const CVantoriaDoc& document, const QString& path) {
  if (!document.GetLastError().isEmpty()) {
    return document.GetLastError();
  }
  return QStringLiteral("无法打开文件“%1”。").arg(QDir::toNativeSeparators(path));
}

}  // namespace

CVantoriaDoc* CDocManager::OpenDocumentFile(const QString& path) {
  const QString fullPath = QFileInfo(path).absoluteFilePath();
  if (CVantoriaDoc* open = FindByPath(fullPath)) {
    const Entry* entry = EntryOf(open);
    if (!entry->frames.isEmpty()) {
      ActivateFrame(entry->frames.constFirst());
    }
    return open;
  }
  auto document = std::make_unique<CVantoriaDoc>();
  if (!document->OnOpenDocument(fullPath, 1)) {  // room for the window it opens in
    prompts::ShowWarning(DialogParent(), OpenFailedText(*document, fullPath));
    return nullptr;
  }
  document->SetPathName(fullPath);
  CVantoriaDoc* opened = Adopt(document.release());
  CreateNewFrame(opened);
  NoteFileUsed(fullPath);
  PrepareForNextEdit(opened);
  return opened;
}

CVantoriaDoc* CDocManager::OpenNewDocument() {
  CVantoriaDoc* document = Adopt(new CVantoriaDoc());
  document->SetTitle(res::DocumentName() + QString::number(++m_nUntitledCount));
  CreateNewFrame(document);
  return document;
}

void CDocManager::PrepareForNextEdit(const CVantoriaDoc* document) {
  if (document && document->GetImage()) {
    PrepareSparePixels(document->GetImage()->pixelCount());
  }
}

CVantoriaDoc* CDocManager::Adopt(CVantoriaDoc* document) {
  document->setParent(this);  // the manager owns its documents from here on
  document->SetSavePathPrompt([this, document] { return AskSavePath(document); });
  m_entries.push_back(Entry{document, {}});
  return document;
}

CChildFrame* CDocManager::CreateNewFrame(CVantoriaDoc* document) {
  Entry* entry = EntryOf(document);
  if (!entry) {
    return nullptr;
  }
  // A further window keeps a display copy of its own, as large as the picture.
  const PixelImage* image = document->GetImage();
  if (!entry->frames.isEmpty() && image && !ProgramMemoryBudget().Fits(image->byteSize())) {
    prompts::ShowWarning(DialogParent(), texts::OutOfMemory());
    return nullptr;
  }
  auto* frame = new CChildFrame(document, *this);  // owned by the MDI area once added
  entry->frames.append(frame);
  if (m_pMdiArea) {
    m_pMdiArea->addSubWindow(frame);
  }
  RenumberFrames(*entry);
  frame->show();
  SizeNewFrame(frame, document);
  ActivateFrame(frame);
  return frame;
}

void CDocManager::SizeNewFrame(CChildFrame* frame, const CVantoriaDoc* document) {
  if (!m_pMdiArea) {
    return;
  }
  // The picture's size when the area has room for it, so it opens without scroll bars; never
  // past the area, where the title bar and its buttons could not be reached.
  const QSize area = m_pMdiArea->viewport()->size();
  if (frame->layout()) {
    frame->layout()->activate();  // so the view's size is the one inside this frame
  }
  const QSize chrome = frame->size() - frame->widget()->size();
  QSize wanted = area * 3 / 4;
  if (const PixelImage* image = document->GetImage()) {
    // At 100 % one image pixel is one device pixel: on a scaled screen the picture takes
    // fewer window units than it has pixels.
    const double ratio = frame->devicePixelRatioF();
    const int border = 2 * frame->GetActiveView()->frameWidth();
    wanted =
        QSize(qCeil(image->width / ratio) + border, qCeil(image->height / ratio) + border) + chrome;
  }
  const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame) + 4;
  const int index = static_cast<int>(m_pMdiArea->subWindowList().size()) - 1;
  frame->setGeometry(PlaceCascaded(area, wanted, QSize(240, 160), index, step));
  if (QSettings().value(QStringLiteral("View/FitLargePictures"), false).toBool()) {
    frame->GetActiveView()->FitIfLarger();
  }
}

void CDocManager::ActivateFrame(CChildFrame* frame) {
  if (frame->isMinimized()) {
    frame->showNormal();
  }
  if (m_pMdiArea) {
    m_pMdiArea->setActiveSubWindow(frame);
  }
  frame->GetActiveView()->setFocus();
}

void CDocManager::RenumberFrames(const Entry& entry) {
  const bool several = entry.frames.size() > 1;
  for (int i = 0; i < entry.frames.size(); ++i) {
    if (CChildFrame* frame = entry.frames.at(i)) {
      frame->SetWindowNumber(several ? i + 1 : 0);
    }
  }
}

bool CDocManager::CloseDocument(CVantoriaDoc* document) {
  if (!SaveModified(document)) {
    return false;
  }
  if (const Entry* entry = EntryOf(document)) {
    for (const QPointer<CChildFrame>& frame : QList(entry->frames)) {
      if (frame) {
        frame->CloseFrame();
      }
    }
  }
  return true;
}

void CDocManager::CloseAllDocuments() {
  WaitForSaves();
  for (CVantoriaDoc* document : Documents()) {
    for (CChildFrame* frame : FramesOf(document)) {
      frame->CloseFrame();
    }
  }
}

bool CDocManager::CanCloseFrame(CChildFrame* frame) {
  CVantoriaDoc* document = frame->GetDocument();
  if (FramesOf(document).size() > 1) {
    return true;
  }
  return SaveModified(document);
}

void CDocManager::OnFrameDestroyed(CChildFrame* frame) {
  for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
    const qsizetype removed = it->frames.removeAll(frame);
    it->frames.removeAll(nullptr);
    if (removed == 0) {
      continue;
    }
    if (!it->frames.isEmpty()) {
      RenumberFrames(*it);
      return;
    }
    // The view still reaches the document while its window is torn down: delete it later.
    CVantoriaDoc* document = it->document;
    m_entries.erase(it);
    document->deleteLater();
    return;
  }
}

QList<CVantoriaDoc*> CDocManager::Documents() const {
  QList<CVantoriaDoc*> documents;
  for (const Entry& entry : m_entries) {
    documents.append(entry.document);
  }
  return documents;
}

QList<CChildFrame*> CDocManager::FramesOf(const CVantoriaDoc* document) const {
  QList<CChildFrame*> frames;
  for (const Entry& entry : m_entries) {
    if (entry.document != document) {
      continue;
    }
    for (const QPointer<CChildFrame>& frame : entry.frames) {
      if (frame) {
        frames.append(frame);
      }
    }
  }
  return frames;
}

CDocManager::Entry* CDocManager::EntryOf(const CVantoriaDoc* document) {
  for (Entry& entry : m_entries) {
    if (entry.document == document) {
      return &entry;
    }
  }
  return nullptr;
}

CVantoriaDoc* CDocManager::FindByPath(const QString& path) const {
  for (const Entry& entry : m_entries) {
    const QString& open = entry.document->GetPathName();
    if (!open.isEmpty() && SameFile(open, path)) {
      return entry.document;
    }
  }
  return nullptr;
}

QWidget* CDocManager::DialogParent() const {
  return m_pMdiArea ? m_pMdiArea->window() : nullptr;
}

}  // namespace vantoria
