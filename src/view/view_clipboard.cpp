// 复制: the selection, or the whole picture without one, to the clipboard with its alpha.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {

QImage CVantoriaView::SelectionImage() const {
  const CVantoriaDoc* document = GetDocument();
  const PixelImage* image = document ? document->GetImage() : nullptr;
  if (!image || image->width <= 0 || image->height <= 0) {
    return {};
  }
  const Region whole{0, 0, image->width - 1, image->height - 1};
  const Region part = GetSelectionRect().value_or(whole);
  QImage copy(part.width(), part.height(), QImage::Format_ARGB32);
  if (copy.isNull()) {
    return copy;  // out of memory: nothing is copied
  }
  // Pixels are 0xAARRGGBB, as the picture format holds them: row by row, unconverted.
  for (int y = 0; y < part.height(); ++y) {
    const Pixel* from = image->rows[part.top + y] + part.left;
    std::copy(from, from + part.width(), reinterpret_cast<QRgb*>(copy.scanLine(y)));
  }
  return copy;
}

void CVantoriaView::OnEditCopy() {
  const QImage copy = SelectionImage();
  if (!copy.isNull()) {
    QGuiApplication::clipboard()->setImage(copy);
  }
}

}  // namespace vantoria
