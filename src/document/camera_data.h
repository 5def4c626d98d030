#pragma once

// What a camera or another program recorded beside the pixels (EXIF, XMP, colour profile),
// kept from the opened file so a saved copy still tells the camera, the date and the place.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace vantoria {

// Plain byte blobs, so a snapshot for a save on another thread is a cheap, safe copy.
struct CameraData {
  QByteArray exif;  // binary EXIF (TIFF structure, as in a JPEG's APP1 after "Exif\0\0")
  QByteArray xmp;   // the XMP packet
  QByteArray icc;   // the ICC colour profile
  bool empty() const { return exif.isEmpty() && xmp.isEmpty() && icc.isEmpty(); }
};

// Whether camera data is read from / written into files of this format (Qt's name, "jpeg").
// WebP is read only: Exiv2 0.27 writes a WebP colour profile under the wrong chunk name, which
// makes the file unreadable.
bool CanReadCameraData(const QByteArray& format);
bool CanWriteCameraData(const QByteArray& format);

// The camera data of the file at `path`; empty when it has none or cannot be parsed (a
// damaged block is not a reason to refuse the picture).
CameraData ReadCameraData(const QString& path);
// The same from a whole file held in memory.
CameraData ReadCameraDataFromBytes(const QByteArray& file);

// `encoded` (a whole file as written) with `data` added: orientation set to upright, the
// thumbnail dropped, the pixel size set to width x height. Empty when it cannot be done.
std::optional<QByteArray> AddCameraData(const QByteArray& encoded, const CameraData& data,
                                        std::int32_t width, std::int32_t height);

}  // namespace vantoria
