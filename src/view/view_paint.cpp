#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "imaging/display_blend.h"
#include "imaging/reduce_ops.h"
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
  d->m_imgHalved = QImage();  // made from the old picture
  d->m_halvedCharge.Release();
  if (!image || image->width <= 0 || image->height <= 0) {
    d->m_imgDisplay = QImage();
    d->m_displayCharge.Release();
    return;
  }
  // When memory runs out, or the budget cannot hold the copy, the previous picture stays; a
  // later change tries again.
  if (!ProgramMemoryBudget().Resize(d->m_displayCharge, image->byteSize())) {
    return;
  }
  static_cast<void>(ComposeOverBlack(*image, d->m_imgDisplay));
}

void CVantoriaView::paintEvent(QPaintEvent* /*event*/) {
  const CVantoriaDoc* document = GetDocument();
  if (document && d->m_nDisplayVersion != document->GetImageVersion()) {
    RebuildDisplayImage();
  }
  QPainter painter(viewport());
  // Draw in device pixels: one image pixel at 100 % is one pixel of the screen, whatever the
  // screen's scale.
  const double ratio = devicePixelRatioF();
  painter.setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
  DrawImage(painter);
  DrawTracker(painter);
}

const QImage& CVantoriaView::ReducedImage() {
  // Below 100 % each device pixel shows the average of the image pixels it covers; the reduced
  // picture is made once per image version and zoom, not on every paint.
  Private& p = *d;
  if (p.m_imgReduced.isNull() || p.m_nReducedVersion != p.m_nDisplayVersion ||
      !(p.m_zoomReduced == p.m_zoom)) {
    const QSize size(p.m_zoom.Length(p.m_imgDisplay.width()),
                     p.m_zoom.Length(p.m_imgDisplay.height()));
    p.m_imgReduced = QImage();  // gone before the next one is made, as its charge goes too
    const QImage& source = HalvedDisplay(size);
    // The halved copies made on the way are charged while they live.
    const bool charged =
        ProgramMemoryBudget().Resize(p.m_reducedCharge, ReductionBytes(source.size(), size));
    p.m_imgReduced = charged ? ReduceForDisplay(source, size) : QImage();
    const std::size_t bytes = static_cast<std::size_t>(p.m_imgReduced.sizeInBytes());
    // Shrinking a reservation always succeeds.
    static_cast<void>(ProgramMemoryBudget().Resize(p.m_reducedCharge, bytes));
    p.m_nReducedVersion = p.m_nDisplayVersion;
    p.m_zoomReduced = p.m_zoom;
  }
  return p.m_imgReduced;
}

const QImage& CVantoriaView::HalvedDisplay(QSize reduced) {
  Private& p = *d;
  const QSize half(HalvedLength(p.m_imgDisplay.width()), HalvedLength(p.m_imgDisplay.height()));
  if (half.width() < reduced.width() || half.height() < reduced.height()) {
    p.m_imgHalved = QImage();  // above one half: not needed
    p.m_halvedCharge.Release();
    return p.m_imgDisplay;
  }
  if (p.m_imgHalved.isNull() || p.m_nHalvedVersion != p.m_nDisplayVersion) {
    p.m_imgHalved = QImage();
    const auto bytes = static_cast<std::size_t>(half.width()) * half.height() * 4;
    if (ProgramMemoryBudget().Resize(p.m_halvedCharge, bytes)) {
      p.m_imgHalved = ReduceForDisplay(p.m_imgDisplay, half);  // one halving
    }
    if (p.m_imgHalved.isNull()) {
      p.m_halvedCharge.Release();
      return p.m_imgDisplay;  // the reduction halves on its own, charging as it goes
    }
    p.m_nHalvedVersion = p.m_nDisplayVersion;
  }
  return p.m_imgHalved;
}

void CVantoriaView::DrawImage(QPainter& painter) {
  // Grey around the image, the image itself copied unblended: each pixel is painted once.
  const QRect area(QPoint(0, 0), DeviceSize());
  QRect shown;
  if (!d->m_imgDisplay.isNull()) {
    const Region placed = ImageRectOnScreen();
    shown = ToQRect(placed).intersected(area);
    if (!shown.isEmpty()) {
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      const QPoint origin(placed.left, placed.top);
      if (d->m_zoom.IsActual()) {
        painter.drawImage(shown.topLeft(), d->m_imgDisplay, shown.translated(-origin));
      } else if (d->m_zoom < Zoom{1, 1}) {
        const QImage& reduced = ReducedImage();
        if (reduced.isNull()) {
          shown = QRect();  // grey where the budget could not hold the reduced copy
        }
        painter.drawImage(shown.topLeft(), reduced, shown.translated(-origin));
      } else {
        painter.drawImage(shown.topLeft(),
                          EnlargeForDisplay(d->m_imgDisplay, d->m_zoom, shown.translated(-origin)));
      }
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
  }
  for (const QRect& rect : QRegion(area).subtracted(QRegion(shown))) {
    painter.fillRect(rect, kBackground);
  }
}

void CVantoriaView::DrawTracker(QPainter& painter) {
  AnchorTracker();
  ScreenTracker().Draw(painter);
}

}  // namespace vantoria
