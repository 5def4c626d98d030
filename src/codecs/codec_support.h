#pragma once

// What the format handlers share: the picture allocation that follows the
// program's decode limit, and the colour space of an embedded ICC profile.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace vantoria {

// The image for a decoded picture of `size`, or a null one when its bytes would pass Qt's image
// allocation limit (the program's bound during a decode) or memory runs out. Asked before the
// library decodes, so a header declaring a huge picture costs nothing.
[[nodiscard]] QImage AllocatePicture(QSize size, QImage::Format format);

// Gives the picture the colour space of an ICC profile; a profile Qt cannot parse is left out.
void ApplyIccProfile(QImage& picture, const QByteArray& icc);

// A write buffer turned back into the ICC profile a saved file should carry (empty for none).
QByteArray IccProfileOf(const QImage& picture);

}  // namespace vantoria
