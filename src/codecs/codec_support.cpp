#include "codecs/codec_support.h"

#include <QColorSpace>
#include <QImageIOHandler>

namespace vantoria {

QImage AllocatePicture(QSize size, QImage::Format format) {
  QImage picture;
  if (!QImageIOHandler::allocateImage(size, format, &picture)) {
    return QImage();
  }
  return picture;
}

void ApplyIccProfile(QImage& picture, const QByteArray& icc) {
  if (icc.isEmpty()) {
    return;
  }
  const QColorSpace space = QColorSpace::fromIccProfile(icc);
  if (space.isValid()) {
    picture.setColorSpace(space);
  }
}

QByteArray IccProfileOf(const QImage& picture) {
  return picture.colorSpace().isValid() ? picture.colorSpace().iccProfile() : QByteArray();
}

}  // namespace vantoria
