#include "document/file_types.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeDatabase>
#include <algorithm>

#include "codecs/added_formats.h"
#include "document/image_codecs.h"

namespace vantoria {
namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

QList<QByteArray> OfferedReaderFormats() {
  return OfferedImageReaders();
}

std::vector<ReadableFormat> ListReadableFormats(const QList<QByteArray>& offeredFormats) {
  std::vector<ReadableFormat> formats;
  const QMimeDatabase mimeTypes;
  for (const QByteArray& mime : QImageReader::supportedMimeTypes()) {
    QList<QByteArray> readers = QImageReader::imageFormatsForMimeType(mime);
    readers.removeIf([&](const QByteArray& name) { return !offeredFormats.contains(name); });
    const QString mimeName = QString::fromLatin1(mime);
    const QStringList globs = mimeTypes.mimeTypeForName(mimeName).globPatterns();
    if (readers.isEmpty() || globs.isEmpty()) {
      continue;
    }
    formats.push_back(
        {mimeName, QString::fromLatin1(LongestName(readers)).toUpper(), globs.join(';').toUpper()});
  }
  std::stable_partition(formats.begin(), formats.end(), [](const ReadableFormat& format) {
    return !IsAddedFormat(format.description.toLower().toLatin1());
  });
  return formats;
}

QString BuildOpenFilter(const std::vector<ReadableFormat>& formats) {
  QStringList all;
  QString each;
  for (const ReadableFormat& format : formats) {
    all.append(format.patterns);
    each += Text("%1文件(%2)|%2|").arg(format.description, format.patterns);
  }
  QString filter;
  if (!formats.empty()) {
    filter = Text("所有支持的图像文件|") + all.join(';') + '|';
  }
  return filter + each + Text("所有文件|*||");
}

QString SuffixOfNameFilter(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf('(');
  const QString patterns = nameFilter.mid(open + 1).chopped(nameFilter.endsWith(')') ? 1 : 0);
  const QString first = patterns.section(' ', 0, 0);
  if (open < 0 || !first.startsWith(QStringLiteral("*.")) || first.size() < 3) {
    return QString();
  }
  return first.mid(2).toLower();
}

QString WithDefaultSuffix(const QString& path, const QString& suffix) {
  if (path.isEmpty() || suffix.isEmpty() || QFileInfo(path).fileName().contains('.')) {
    return path;
  }
  return path + '.' + suffix;
}

QString NameFilterFor(const QStringList& nameFilters, const QString& description) {
  const QString start = description + Text("文件(");
  for (const QString& filter : nameFilters) {
    if (filter.startsWith(start)) {
      return filter;
    }
  }
  return QString();
}

bool IsOpaque(const PixelImage& image) {
  const Pixel* pixels = image.pixels();
  if (!pixels) {
    return true;
  }
  return std::all_of(pixels, pixels + image.pixelCount(),
                     [](Pixel pixel) { return pixel >= 0xFF000000u; });
}

bool FormatKeepsAlpha(const QByteArray& format) {
  // Asked of the encoder itself: write one clear pixel and read it back.
  QImage probe(1, 1, QImage::Format_ARGB32);
  probe.fill(Qt::transparent);
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  if (!QImageWriter(&buffer, format).write(probe)) {
    return false;
  }
  buffer.seek(0);
  const QImage back = QImageReader(&buffer, format).read();
  return !back.isNull() && back.hasAlphaChannel() && qAlpha(back.pixel(0, 0)) < 128;
}

}  // namespace vantoria
