#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "imaging/display_blend.h"
#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

const QColor kBackground(0x80, 0x80, 0x80);

QRect ToQRect(const Region& region) {
  return {region.left, region.top, region.width(), region.height()};
}

}  // namespace

bool ComposeOverBlack(const PixelImage& image, QImage& into) {
  if (image.width <= 0 || image.height <= 0 || !image.pixels()) {
    return false;
  }
  const QSize size(image.width, image.height);
  if (into.size() == size && into.format() == QImage::Format_RGB32) {
    // Same size: written in place, without allocating (or faulting in) a new picture.
    BlendOverBlack(image, into.bits(), into.bytesPerLine());
    return true;
  }
  QImage composed(size, QImage::Format_RGB32);
  if (composed.isNull()) {
    return false;  // out of memory
  }
  BlendOverBlack(image, composed.bits(), composed.bytesPerLine());
  into = std::move(composed);
  return true;
}

QImage ComposeOverBlack(const PixelImage& image) {
  QImage composed;
  static_cast<void>(ComposeOverBlack(image, composed));  // empty when memory runs out
  return composed;
}

void CVantoriaView::RebuildDisplayImage() {
  const CVantoriaDoc* document = GetDocument();
  const PixelImage* image = document ? document->GetImage() : nullptr;
  d->m_nDisplayVersion = document ? document->GetImageVersion() : 0;
  if (!image || image->width <= 0 || image->height <= 0) {
    d->m_imgDisplay = QImage();
    return;
  }
  // When memory runs out the previous picture stays; a later change tries again.
  static_cast<void>(ComposeOverBlack(*image, d->m_imgDisplay));
}

void CVantoriaView::paintEvent(QPaintEvent* event) {
  const CVantoriaDoc* document = GetDocument();
  if (document && d->m_nDisplayVersion != document->GetImageVersion()) {
    RebuildDisplayImage();
  }
  QPainter painter(viewport());
  DrawImage(painter, event->rect());
  DrawTracker(painter);
}

void CVantoriaView::DrawImage(QPainter& painter, const QRect& dirty) const {
  // Grey around the image, the image itself copied unblended: each pixel is painted once.
  QRect shown;
  if (!d->m_imgDisplay.isNull()) {
    const Region placed = ImageRectOnScreen();
    const QRect target(QPoint(placed.left, placed.top), d->m_imgDisplay.size());
    shown = target.intersected(ToQRect(placed)).intersected(dirty);
    if (!shown.isEmpty()) {
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(shown, d->m_imgDisplay, shown.translated(-target.topLeft()));
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
  }
  for (const QRect& rect : QRegion(dirty).subtracted(QRegion(shown))) {
    painter.fillRect(rect, kBackground);
  }
}

void CVantoriaView::DrawTracker(QPainter& painter) {
  AnchorTracker();
  d->m_tracker.Draw(painter);
}

}  // namespace vantoria
