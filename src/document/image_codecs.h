#pragma once

// Image files in and out, on Qt's image I/O: the encoder list, the file-dialog filters built
// from it, the choice of encoder by extension, decoding into a PixelImage and encoding one.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

#include "core/pixel_image.h"
#include "document/camera_data.h"

namespace vantoria {

struct ImageEncoder {
  QByteArray format;    // the QImageWriter format name to write with, e.g. "jpeg"
  QString description;  // short format name, e.g. "JPEG"
  QString patterns;     // upper-case glob patterns, ';'-joined, e.g. "*.JPG;*.JPEG;*.JPE"
};

// Every format Qt can write that has a file-name pattern, in QImageWriter::supportedMimeTypes()
// order. Built anew on each call.
std::vector<ImageEncoder> ListImageEncoders();

// The open and save filter strings in "text|patterns|...||" form. The open filter starts with
// one entry covering every encodable format. Empty when there are no encoders.
struct FileFilters {
  QString open;
  QString save;
};
[[nodiscard]] std::optional<FileFilters> BuildFileFilters();

// "BMP文件(*.BMP;*.DIB)|*.BMP;*.DIB||" -> {"BMP文件(*.BMP;*.DIB) (*.BMP *.DIB *.bmp *.dib)"}.
// Lower-case variants are added because file dialogs on Linux match names case-sensitively.
// Reading stops at the first entry with empty text (the "||" terminator).
QStringList ToNameFilters(const QString& filterString);

// The first encoder whose pattern list contains, as a substring, the upper-cased text after the
// last '.' of the file name. Only the name after the last '/' counts, so a dot in a folder name
// is not an extension; a name without '.' is searched as a whole, and a name ending in '.' has
// an empty extension, which picks the first encoder.
[[nodiscard]] std::optional<ImageEncoder> GetEncoderClsid(const QString& fileName);

// Decodes a file into a new image of 0xAARRGGBB non-premultiplied pixels, turned upright by the
// file's orientation tag. Only readers whose time and memory can be bounded are offered (every
// format Qt and src/codecs read but MNG). Returns an empty pointer and sets *error (when given) to
// a message naming the file when the path is empty, the file cannot be read or decoded by an
// offered reader, or the picture would take more than byteLimit bytes or more than a file of its
// size could plausibly hold (above 64 MB, 4096 bytes of picture per byte of file). For the duration
// of the call Qt's process-wide image allocation limit follows that bound (user-interface
// thread only). When `cameraData` is given it receives the file's EXIF, XMP and colour profile
// (JPEG, PNG, WebP and TIFF; left empty when the file has none or they cannot be parsed); of
// other formats only the colour profile their reader found (HEIC, AVIF, JPEG XL).
[[nodiscard]] ImagePtr DecodeImageFile(const QString& path, std::size_t byteLimit, QString* error,
                                       CameraData* cameraData = nullptr);

// The same decode from an open device: `format` names the reader to try first (empty: decide
// from the content) and `name` stands for the file in messages. Lets tests and fuzzers decode
// bytes held in memory.
[[nodiscard]] ImagePtr DecodeImageDevice(QIODevice& device, const QByteArray& format,
                                         const QString& name, std::size_t byteLimit,
                                         QString* error);

// The reader a decode uses, its format name: the named one (lower case) when it is offered and
// reads the device's bytes, else the one the content points to when that is offered; empty
// when no offered reader reads them. The device is left where it was.
[[nodiscard]] QByteArray ChooseImageReader(QIODevice& device, const QByteArray& named);

// The longest of several names of one format, the first on ties: "jpeg" rather than "jpg".
[[nodiscard]] QByteArray LongestName(const QList<QByteArray>& names);

// The installed readers a decode may use: every reader Qt has whose time and memory can be
// bounded. The open dialog lists these and no others.
QList<QByteArray> OfferedImageReaders();

// Writes the image with the encoder, atomically: on any failure (empty image included) the file
// on disk is left exactly as it was, the result is false and *error (when given) says why.
// Camera data is added when the format can hold it (see AddCameraData); if that fails the
// picture is saved without it rather than not at all. Safe to call from a worker thread.
[[nodiscard]] bool EncodeImageFile(const PixelImage& image, const QString& path,
                                   const ImageEncoder& encoder, QString* error,
                                   const CameraData& cameraData = {});

}  // namespace vantoria
