#include "document/image_codecs.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QtPlugin>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "codecs/added_formats.h"
#include "document/file_types.h"
#include "document/png_writer.h"

// Our own readers and writers of HEIC/HEIF, AVIF and JPEG XL (src/codecs), built in.
Q_IMPORT_PLUGIN(HeifPlugin)
Q_IMPORT_PLUGIN(JxlPlugin)

namespace vantoria {
namespace {

// User-visible text.
constexpr const char* kAllImagesEntry = "所有支持的图像文件|";
constexpr const char* kFormatEntry = "%1文件(%2)|%2|";  // %1 format name, %2 patterns
constexpr const char* kOpenFailed = "无法打开文件“%1”：%2";
constexpr const char* kSaveFailed = "无法保存文件“%1”：%2";
constexpr const char* kTooBig = "图像太大，内存不足：“%1”";
constexpr const char* kNoFileName = "没有给出文件名";
constexpr const char* kIsFolder = "这是一个文件夹";
constexpr const char* kUnknownFormat = "不支持的图像格式";
constexpr const char* kEmptyImage = "图像是空的";
constexpr const char* kWriteFailed = "写入磁盘时出错（磁盘已满或文件过大）";
constexpr const char* kNoMemory = "内存不足";

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

// The readers offered: those whose time and memory follow the picture the header declares, so
// the checks below bound them. MNG is left out: on a crafted header of a few bytes libmng
// reserves gigabytes and loops for half a minute, and it has no limit to set.
constexpr std::array<const char*, 24> kOfferedReaders = {
    "avif", "bmp", "cur", "gif", "heic", "heif", "icns", "ico",  "jpeg", "jpg",  "jxl", "pbm",
    "pgm",  "png", "ppm", "svg", "svgz", "tga",  "tif",  "tiff", "wbmp", "webp", "xbm", "xpm"};

// A header may declare any size. A picture up to kFreeBytes as ARGB decodes from any file; a
// bigger one needs a file of at least 1/kMaxExpansion of that, more than the densest real files
// reach (fax-coded scans, flat-colour PNG), so a few crafted bytes cannot make a reader
// allocate and fill gigabytes. Qt reads only uncompressed Targa files, at least a byte a pixel,
// and slowly (seconds for a few megapixels missing from a short file): those get no allowance.
constexpr std::uint64_t kFreeBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kMaxExpansion = 4096;
constexpr std::uint64_t kRawExpansion = sizeof(std::uint32_t);

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Sets *error when the caller asked for it; returns the failed result for a one-line return.
template <typename Result>
Result Fail(QString* error, const QString& message, Result result) {
  if (error) {
    *error = message;
  }
  return result;
}

ImagePtr OpenFailed(QString* error, const QString& path, const QString& reason) {
  return Fail(error, Text(kOpenFailed).arg(path, reason), ImagePtr());
}

ImagePtr TooBig(QString* error, const QString& path) {
  return Fail(error, Text(kTooBig).arg(path), ImagePtr());
}

bool SaveFailed(QString* error, const QString& path, const QString& reason) {
  return Fail(error, Text(kSaveFailed).arg(path, reason), false);
}

std::uint64_t ArgbBytes(std::int64_t width, std::int64_t height) {
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * sizeof(Pixel);
}

// Qt refuses any single decode buffer above its allocation limit (128 MB by default). For the
// duration of one decode the limit follows ours, so big photos load while formats that do not
// report their size up front are still stopped before they allocate too much.
class AllocationLimitScope {
 public:
  explicit AllocationLimitScope(std::size_t byteLimit)
      : m_previous(QImageReader::allocationLimit()) {
    const std::size_t megabytes = byteLimit / kMegabyte + (byteLimit % kMegabyte != 0);
    // 0 would switch the limit off, so the smallest limit is 1 MB; our own check is exact.
    QImageReader::setAllocationLimit(
        static_cast<int>(std::clamp<std::size_t>(megabytes, 1, INT_MAX)));
  }
  ~AllocationLimitScope() { QImageReader::setAllocationLimit(m_previous); }
  AllocationLimitScope(const AllocationLimitScope&) = delete;
  AllocationLimitScope& operator=(const AllocationLimitScope&) = delete;

 private:
  int m_previous;
};

// Copies an ARGB32 picture into a new image, one block per row. Empty when memory runs out.
ImagePtr CopyToPixelImage(const QImage& picture) {
  const std::int32_t width = picture.width();
  const std::int32_t height = picture.height();
  PixelBuffer buffer =
      AllocatePixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (!buffer) {
    return nullptr;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(Pixel);
  for (std::int32_t y = 0; y < height; ++y) {
    std::memcpy(buffer.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                picture.constScanLine(y), rowBytes);
  }
  return WrapImage(std::move(buffer), height, width);
}

// Passes the encoder's writes and seeks on to the file and remembers any that fell short. Qt's
// file device loses some failures: a write cut short by a full disk returns a short count
// without an error, and an error from a flush during a seek is cleared by the next write, so
// encoders that seek back to finish a header (TIFF) report success over a cut-off file.
class CheckedWriter : public QIODevice {
 public:
  explicit CheckedWriter(QFileDevice& file) : m_file(file) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }
  bool failed() const { return m_failed; }
  bool isSequential() const override { return false; }
  // Kept here rather than asked of the file, whose size() flushes and drops a failure.
  qint64 size() const override { return m_size; }
  bool seek(qint64 position) override {
    const bool moved = QIODevice::seek(position) && m_file.seek(position);
    m_failed = m_failed || !moved;
    return moved;
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 length) override {
    if (m_failed || m_file.write(data, length) != length) {
      m_failed = true;
      return -1;
    }
    m_size = std::max(m_size, pos() + length);
    return length;
  }

 private:
  QFileDevice& m_file;
  qint64 m_size = 0;
  bool m_failed = false;
};

bool IsOffered(const QByteArray& format) {
  return std::find(kOfferedReaders.begin(), kOfferedReaders.end(), format) != kOfferedReaders.end();
}

// The most a file of fileBytes read by `format` may decode to (unknown size: -1).
std::size_t PlausibleLimit(std::size_t byteLimit, qint64 fileBytes, const QByteArray& format) {
  if (fileBytes < 0) {
    return byteLimit;
  }
  const auto bytes = static_cast<std::uint64_t>(fileBytes);
  const std::uint64_t reach =
      format == "tga" ? bytes * kRawExpansion : std::max(kFreeBytes, bytes * kMaxExpansion);
  return static_cast<std::size_t>(std::min<std::uint64_t>(byteLimit, reach));
}

// Reads one picture upright with an offered reader, refusing it when it would take more than
// byteLimit bytes or more than its file could plausibly hold; `named` is the reader to try
// first, `name` stands for the file in messages.
// `chosen` receives the reader's format name, `profile` the colour profile the reader found.
ImagePtr Decode(QIODevice& device, const QByteArray& named, const QString& name,
                std::size_t byteLimit, QString* error, QByteArray* chosen = nullptr,
                QByteArray* profile = nullptr) {
  const QByteArray format = ChooseImageReader(device, named);
  if (chosen) {
    *chosen = format;
  }
  if (format.isEmpty()) {
    return OpenFailed(error, name, Text(kUnknownFormat));
  }
  const std::size_t limit =
      PlausibleLimit(byteLimit, device.isSequential() ? -1 : device.size(), format);
  const AllocationLimitScope allocationLimit(limit);
  QImageReader reader(&device, format);
  reader.setAutoDetectImageFormat(false);
  reader.setAutoTransform(true);
  const QSize size = reader.size();  // invalid when the format does not tell before decoding
  if (size.isValid() && ArgbBytes(size.width(), size.height()) > limit) {
    return TooBig(error, name);
  }
  QImage picture;
  if (!reader.read(&picture)) {
    return OpenFailed(error, name, reader.errorString());
  }
  if (ArgbBytes(picture.width(), picture.height()) > limit) {
    return TooBig(error, name);
  }
  if (profile) {
    *profile = picture.colorSpace().iccProfile();
  }
  picture.convertTo(QImage::Format_ARGB32);  // in place where the pixel depth allows
  ImagePtr image = picture.isNull() ? nullptr : CopyToPixelImage(picture);
  return image ? std::move(image) : TooBig(error, name);
}

// Writes `picture` (which shows `image`) in `format`: PNG with our own writer, several times
// faster than Qt's, everything else with Qt's. Returns success, or failure and why.
std::pair<bool, QString> Encode(const PixelImage& image, const QImage& picture,
                                const QByteArray& format, QIODevice& device) {
  if (format == "png") {
    // The chunks Qt's writer would emit for this picture: no text or colour space here.
    const PngOptions options = {.alpha = picture.hasAlphaChannel(),
                                .dotsPerMeterX = picture.dotsPerMeterX(),
                                .dotsPerMeterY = picture.dotsPerMeterY()};
    const PngResult result = WritePng(image, options, device);
    return {result == PngResult::kWritten,
            result == PngResult::kOutOfMemory ? Text(kNoMemory) : Text(kWriteFailed)};
  }
  QImageWriter writer(&device, format);
  const bool encoded = writer.write(picture);
  return {encoded, encoded ? QString() : writer.errorString()};
}

// Encodes into memory and adds the camera data there, so the file is written in one go as
// without it. Should adding it fail, the picture goes out without: keeping the user's edit
// matters more than keeping the camera's notes.
std::pair<bool, QString> EncodeWithCameraData(const PixelImage& image, const QImage& picture,
                                              const QByteArray& format, const CameraData& data,
                                              QIODevice& device) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  const auto result = Encode(image, picture, format, buffer);
  if (!result.first) {
    return result;
  }
  const std::optional<QByteArray> withData =
      AddCameraData(encoded, data, image.width, image.height);
  const QByteArray& bytes = withData ? *withData : encoded;
  const bool written = device.write(bytes) == bytes.size();
  return {written, written ? QString() : Text(kWriteFailed)};
}

}  // namespace

std::vector<ImageEncoder> ListImageEncoders() {
  std::vector<ImageEncoder> encoders;
  const QMimeDatabase mimeTypes;
  for (const QByteArray& mime : QImageWriter::supportedMimeTypes()) {
    const QStringList globs = mimeTypes.mimeTypeForName(QString::fromLatin1(mime)).globPatterns();
    const QByteArray format = LongestName(QImageWriter::imageFormatsForMimeType(mime));
    if (globs.isEmpty() || format.isEmpty()) {
      continue;
    }
    encoders.push_back({format, QString::fromLatin1(format).toUpper(), globs.join(';').toUpper()});
  }
  std::stable_partition(encoders.begin(), encoders.end(),
                        [](const ImageEncoder& encoder) { return !IsAddedFormat(encoder.format); });
  return encoders;
}

std::optional<FileFilters> BuildFileFilters() {
  const std::vector<ImageEncoder> encoders = ListImageEncoders();
  if (encoders.empty()) {
    return std::nullopt;
  }
  QString allImages = Text(kAllImagesEntry);
  FileFilters filters;
  for (const ImageEncoder& encoder : encoders) {
    filters.save += Text(kFormatEntry).arg(encoder.description, encoder.patterns);
    allImages += encoder.patterns + ';';
  }
  allImages.chop(1);
  filters.save += '|';
  filters.open = allImages + '|' + filters.save + '|';
  return filters;
}

QStringList ToNameFilters(const QString& filterString) {
  QStringList nameFilters;
  const QStringList fields = filterString.split('|');
  for (qsizetype i = 0; i + 1 < fields.size() && !fields[i].isEmpty(); i += 2) {
    QStringList patterns = fields[i + 1].split(';', Qt::SkipEmptyParts);
    const qsizetype given = patterns.size();
    for (qsizetype k = 0; k < given; ++k) {
      const QString lower = patterns[k].toLower();
      if (!patterns.contains(lower)) {
        patterns.append(lower);
      }
    }
    nameFilters.append(fields[i] + QStringLiteral(" (") + patterns.join(' ') + ')');
  }
  return nameFilters;
}

std::optional<ImageEncoder> GetEncoderClsid(const QString& fileName) {
  const QString name = fileName.mid(fileName.lastIndexOf('/') + 1);
  const QString extension = name.mid(name.lastIndexOf('.') + 1).toUpper();
  for (ImageEncoder& encoder : ListImageEncoders()) {
    if (encoder.patterns.contains(extension)) {
      return std::move(encoder);
    }
  }
  return std::nullopt;
}

QByteArray LongestName(const QList<QByteArray>& names) {
  QByteArray longest;
  for (const QByteArray& name : names) {
    if (name.size() > longest.size()) {
      longest = name;
    }
  }
  return longest;
}

QList<QByteArray> OfferedImageReaders() {
  QList<QByteArray> offered = QImageReader::supportedImageFormats();
  offered.removeIf([](const QByteArray& format) { return !IsOffered(format); });
  return offered;
}

QByteArray ChooseImageReader(QIODevice& device, const QByteArray& named) {
  const qint64 start = device.pos();
  QByteArray chosen;
  if (IsOffered(named)) {
    QImageReader probe(&device, named);
    probe.setAutoDetectImageFormat(false);
    chosen = probe.canRead() ? named : QByteArray();
    device.seek(start);
  }
  if (chosen.isEmpty()) {
    chosen = QImageReader::imageFormat(&device);
    device.seek(start);
  }
  return IsOffered(chosen) ? chosen : QByteArray();
}

ImagePtr DecodeImageFile(const QString& path, std::size_t byteLimit, QString* error,
                         CameraData* cameraData) {
  if (path.isEmpty()) {
    return OpenFailed(error, path, Text(kNoFileName));
  }
  if (QFileInfo(path).isDir()) {
    return OpenFailed(error, path, Text(kIsFolder));
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return OpenFailed(error, path, file.errorString());
  }
  // The extension names the reader to try first.
  QByteArray format, profile;
  ImagePtr image = Decode(file, QFileInfo(path).suffix().toLower().toLatin1(), path, byteLimit,
                          error, &format, &profile);
  if (image && cameraData) {
    // Where the camera-data reader cannot look (HEIC, AVIF, JPEG XL) the decoder's profile is
    // kept, so a phone's wide-gamut picture saved as JPEG still shows its colours.
    if (CanReadCameraData(format)) {
      *cameraData = ReadCameraData(path);
    } else {
      *cameraData = CameraData{};
      cameraData->icc = profile;
    }
  }
  return image;
}

ImagePtr DecodeImageDevice(QIODevice& device, const QByteArray& format, const QString& name,
                           std::size_t byteLimit, QString* error) {
  return Decode(device, format.toLower(), name, byteLimit, error);
}

bool EncodeImageFile(const PixelImage& image, const QString& path, const ImageEncoder& encoder,
                     QString* error, const CameraData& cameraData) {
  if (image.width <= 0 || image.height <= 0 || !image.pixels()) {
    return SaveFailed(error, path, Text(kEmptyImage));
  }
  // Reads the image's own buffer in place: no copy of the pixels is made. An opaque picture is
  // written without an alpha channel where the format has the choice (smaller PNG and TIFF).
  const QImage::Format layout = IsOpaque(image) ? QImage::Format_RGB32 : QImage::Format_ARGB32;
  const QImage picture(reinterpret_cast<const uchar*>(image.pixels()), image.width, image.height,
                       static_cast<qsizetype>(image.width) * 4, layout);
  // QSaveFile writes a temporary file and renames it over the target only on commit().
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return SaveFailed(error, path, file.errorString());
  }
  CheckedWriter device(file);
  // Without camera data to keep the file is written exactly as it always was.
  const auto [encoded, encoderError] =
      cameraData.empty() || !CanWriteCameraData(encoder.format)
          ? Encode(image, picture, encoder.format, device)
          : EncodeWithCameraData(image, picture, encoder.format, cameraData, device);
  // The last buffered bytes go to disk here: commit() would flush them too, but in Qt 6.4 it
  // renames the file into place even when that flush fails.
  if (!encoded || device.failed() || !file.flush()) {
    const QString reason = encoded || device.failed() ? Text(kWriteFailed) : encoderError;
    file.cancelWriting();
    return SaveFailed(error, path, reason);
  }
  if (!file.commit()) {  // a failed commit removes the temporary file itself
    return SaveFailed(error, path, file.errorString());
  }
  return true;
}

}  // namespace vantoria
