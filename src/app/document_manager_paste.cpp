// 粘贴为新图像: the clipboard's picture, from this program or another, as a new document.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>

#include "app/document_manager.h"
#include "core/memory_budget.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"
#include "operations/dispatcher_texts.h"
#include "res/command_strings.h"

namespace vantoria {

CVantoriaDoc* CDocManager::PasteAsNewDocument() {
  const QImage pasted =
      QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
  if (pasted.isNull()) {
    prompts::ShowWarning(DialogParent(), QStringLiteral("剪贴板中没有图像"));
    return nullptr;
  }
  // The picture and the display copy of its window, each as large as the other.
  const std::size_t bytes = static_cast<std::size_t>(pasted.width()) * pasted.height() * 4;
  ImagePtr image = ProgramMemoryBudget().Fits(2 * bytes)
                       ? CreateImage(pasted.height(), pasted.width())
                       : nullptr;
  if (!image) {
    prompts::ShowWarning(DialogParent(), texts::OutOfMemory());
    return nullptr;
  }
  // Both hold 0xAARRGGBB pixels with straight alpha: rows copy unconverted.
  for (int y = 0; y < pasted.height(); ++y) {
    const auto* from = reinterpret_cast<const Pixel*>(pasted.constScanLine(y));
    std::copy(from, from + pasted.width(), image->rows[y]);
  }
  CVantoriaDoc* document = Adopt(new CVantoriaDoc());
  document->SetTitle(res::DocumentName() + QString::number(++m_nUntitledCount));
  document->InitImage(std::move(image));
  document->SetModifiedFlag(true);  // never saved: closing asks, saving asks for a name
  CreateNewFrame(document);
  PrepareForNextEdit(document);
  return document;
}

}  // namespace vantoria
