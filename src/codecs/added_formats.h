#pragma once

// The formats the program brings itself, on top of those Qt and its image-format plugins read.

#include <QByteArray>

namespace vantoria {

// Whether `format` (a Qt format name, "avif") is read or written by one of our own plugins.
// The file-type lists put these after Qt's, so the long-standing choices (BMP, JPEG, PNG) keep
// their places at the head of every list and the save dialog's first type stays the same.
bool IsAddedFormat(const QByteArray& format);

}  // namespace vantoria
