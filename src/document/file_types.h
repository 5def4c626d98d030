#pragma once

// What the file dialogs offer and what a save needs to know about a format: the readable
// formats and the open filter built from them, the extension a save-dialog entry stands for,
// and whether a picture or a format carries transparency.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/pixel_image.h"

namespace vantoria {

struct ReadableFormat {
  QString mimeType;     // e.g. "image/gif"
  QString description;  // short format name, e.g. "GIF"
  QString patterns;     // upper-case glob patterns, ';'-joined, e.g. "*.GIF"
};

// The QImageReader formats the program offers to read: those whose decode can be bounded.
QList<QByteArray> OfferedReaderFormats();

// Every MIME type Qt can read whose reader is among `offeredFormats` (QImageReader format
// names) and that has file-name patterns, in QImageReader::supportedMimeTypes() order. The
// caller decides which readers are offered at all.
std::vector<ReadableFormat> ListReadableFormats(const QList<QByteArray>& offeredFormats);

// The open dialog's filter in "text|patterns|...||" form: one entry covering every readable
// format, then one per format, then all files.
QString BuildOpenFilter(const std::vector<ReadableFormat>& formats);

// The extension a name typed without one receives under a name filter such as
// "PNG文件(*.PNG) (*.PNG *.png)": its first pattern's, lower-case; empty when it has none.
QString SuffixOfNameFilter(const QString& nameFilter);

// The path with "." + suffix appended when its file name holds no '.' at all (a name ending in
// '.' keeps its empty extension); otherwise the path unchanged.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

// The save-dialog entry for a format description ("PNG文件(...) (...)" for "PNG"); empty when
// no entry names it.
QString NameFilterFor(const QStringList& nameFilters, const QString& description);

// True when every pixel is fully opaque.
bool IsOpaque(const PixelImage& image);

// Whether a picture written with the writer format reads back with its transparency.
bool FormatKeepsAlpha(const QByteArray& format);

}  // namespace vantoria
