#include "document/camera_data.h"

#include <QFile>
#include <exception>
#include <exiv2/exiv2.hpp>
#include <mutex>
#include <string>

namespace vantoria {
namespace {

// Saves may run on a worker thread. The XMP toolkit must be set up once before any thread uses
// it, and registers namespaces under a lock of ours from then on. Exiv2's warnings about odd
// files would only clutter the terminal: a damaged block simply is not kept.
std::mutex g_xmpLock;

void LockXmp(void*, bool lock) {
  if (lock) {
    g_xmpLock.lock();
  } else {
    g_xmpLock.unlock();
  }
}

void InitialiseExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(LockXmp, nullptr);
  });
}

QByteArray ToBytes(const Exiv2::byte* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

const Exiv2::byte* Bytes(const QByteArray& bytes) {
  return reinterpret_cast<const Exiv2::byte*>(bytes.constData());
}

// Sets `key` to `value` where the data has it. The pixels are already upright, and the
// picture may have been cropped or resized.
template <typename Data, typename Key>
void Update(Data& data, const char* key, const Exiv2::Value& value) {
  const auto found = data.findKey(Key(key));
  if (found != data.end()) {
    found->setValue(&value);
  }
}

void FitExif(Exiv2::ExifData& exif, std::int32_t width, std::int32_t height) {
  Exiv2::ExifThumb(exif).erase();  // it would still show the picture as it was
  exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
  Update<Exiv2::ExifData, Exiv2::ExifKey>(exif, "Exif.Photo.PixelXDimension",
                                          Exiv2::ULongValue(static_cast<std::uint32_t>(width)));
  Update<Exiv2::ExifData, Exiv2::ExifKey>(exif, "Exif.Photo.PixelYDimension",
                                          Exiv2::ULongValue(static_cast<std::uint32_t>(height)));
  // The layout of the old file's pixels; the new file's encoder records its own.
  for (const char* key :
       {"Exif.Image.ImageWidth", "Exif.Image.ImageLength", "Exif.Image.BitsPerSample",
        "Exif.Image.Compression", "Exif.Image.PhotometricInterpretation",
        "Exif.Image.SamplesPerPixel", "Exif.Image.PlanarConfiguration", "Exif.Image.StripOffsets",
        "Exif.Image.RowsPerStrip", "Exif.Image.StripByteCounts", "Exif.Image.InterColorProfile"}) {
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    if (found != exif.end()) {
      exif.erase(found);
    }
  }
}

void FitXmp(Exiv2::XmpData& xmp, std::int32_t width, std::int32_t height) {
  for (auto it = xmp.begin(); it != xmp.end();) {
    it = it->key().rfind("Xmp.xmp.Thumbnails", 0) == 0 ? xmp.erase(it) : it + 1;
  }
  using Xmp = Exiv2::XmpData;
  using Key = Exiv2::XmpKey;
  Update<Xmp, Key>(xmp, "Xmp.tiff.Orientation", Exiv2::XmpTextValue("1"));
  const Exiv2::XmpTextValue w(std::to_string(width));
  const Exiv2::XmpTextValue h(std::to_string(height));
  Update<Xmp, Key>(xmp, "Xmp.tiff.ImageWidth", w);
  Update<Xmp, Key>(xmp, "Xmp.tiff.ImageLength", h);
  Update<Xmp, Key>(xmp, "Xmp.exif.PixelXDimension", w);
  Update<Xmp, Key>(xmp, "Xmp.exif.PixelYDimension", h);
}

}  // namespace

bool CanReadCameraData(const QByteArray& format) {
  return CanWriteCameraData(format) || format == "webp";
}

bool CanWriteCameraData(const QByteArray& format) {
  return format == "jpeg" || format == "jpg" || format == "png" || format == "tiff" ||
         format == "tif";
}

namespace {

// `open` gives the Exiv2 image to read from: a file, or bytes in memory.
template <typename Open>
CameraData ReadFrom(const Open& open) {
  InitialiseExiv2();
  try {
    const auto image = open();
    image->readMetadata();
    CameraData data;
    if (!image->exifData().empty()) {
      Exiv2::Blob blob;
      const Exiv2::ByteOrder order = image->byteOrder();
      Exiv2::ExifParser::encode(
          blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, image->exifData());
      data.exif = ToBytes(blob.data(), blob.size());
    }
    if (!image->xmpData().empty()) {
      data.xmp = QByteArray::fromStdString(image->xmpPacket());
    }
    if (image->iccProfileDefined()) {
      data.icc = ToBytes(image->iccProfile()->pData_, image->iccProfile()->size_);
    }
    return data;
  } catch (const std::exception&) {  // Exiv2::Error on a damaged file, bad_alloc
    return {};
  }
}

}  // namespace

CameraData ReadCameraData(const QString& path) {
  return ReadFrom(
      [&path] { return Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString()); });
}

CameraData ReadCameraDataFromBytes(const QByteArray& file) {
  return ReadFrom([&file] { return Exiv2::ImageFactory::open(Bytes(file), file.size()); });
}

std::optional<QByteArray> AddCameraData(const QByteArray& encoded, const CameraData& data,
                                        std::int32_t width, std::int32_t height) {
  InitialiseExiv2();
  try {
    const auto image = Exiv2::ImageFactory::open(Bytes(encoded), encoded.size());
    image->readMetadata();  // what the encoder wrote itself (a JFIF header, a resolution)
    if (!data.exif.isEmpty()) {
      Exiv2::ExifData exif;
      Exiv2::ExifParser::decode(exif, Bytes(data.exif),
                                static_cast<std::uint32_t>(data.exif.size()));
      FitExif(exif, width, height);
      image->setExifData(exif);
    }
    Exiv2::XmpData xmp;
    if (!data.xmp.isEmpty() && Exiv2::XmpParser::decode(xmp, data.xmp.toStdString()) == 0) {
      FitXmp(xmp, width, height);
      image->setXmpData(xmp);
    }
    if (!data.icc.isEmpty()) {
      Exiv2::DataBuf icc(Bytes(data.icc), static_cast<long>(data.icc.size()));
      try {
        image->setIccProfile(icc);
      } catch (const Exiv2::AnyError&) {  // a profile whose size field is wrong: left out
      }
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf written = io.read(static_cast<long>(io.size()));
    return ToBytes(written.pData_, static_cast<std::size_t>(written.size_));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace vantoria
