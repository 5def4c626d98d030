// Catches lost camera data (EXIF, XMP, ICC), a kept rotation or thumbnail, and saves that differ.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <exiv2/exiv2.hpp>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

const QByteArray kIcc = QColorSpace(QColorSpace::AdobeRgb).iccProfile();

// A 32 x 16 JPEG, red on the left and blue on the right, stored lying on its side.
QString CameraJpeg(const QTemporaryDir& dir) {
  const QString path = dir.filePath("camera.jpg");
  QImage picture(32, 16, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  for (int y = 0; y < 16; ++y) {
    std::fill_n(reinterpret_cast<QRgb*>(picture.scanLine(y)), 16, qRgb(255, 0, 0));
  }
  EXPECT_TRUE(picture.save(path, "JPEG", 95));
  auto image = Exiv2::ImageFactory::open(path.toStdString());
  image->readMetadata();
  Exiv2::ExifData& exif = image->exifData();
  exif["Exif.Image.Make"] = "TestCam";
  exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
  exif["Exif.GPSInfo.GPSLatitude"] = Exiv2::URationalValue(Exiv2::URational(48, 1));
  exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6);
  exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(32);
  const QByteArray thumbnail = test::FileBytes(path);
  Exiv2::ExifThumb(exif).setJpegThumbnail(
      reinterpret_cast<const Exiv2::byte*>(thumbnail.constData()), thumbnail.size());
  image->xmpData()["Xmp.dc.title"] = "Harbour";
  Exiv2::DataBuf iccBuffer(reinterpret_cast<const Exiv2::byte*>(kIcc.constData()), kIcc.size());
  image->setIccProfile(iccBuffer);
  image->writeMetadata();
  return path;
}

TEST(CameraData, KeptThroughAnEditAndASaveUprightWithoutThumbnail) {
  QTemporaryDir dir;
  CVantoriaDoc document;
  ASSERT_TRUE(document.OnOpenDocument(CameraJpeg(dir)));
  ImagePtr inverted = CloneImage(*document.GetImage());
  std::for_each(inverted->pixels(), inverted->pixels() + inverted->pixelCount(),
                [](Pixel& pixel) { pixel ^= 0x00FFFFFF; });
  ASSERT_TRUE(document.ApplyImage(*inverted, std::nullopt));
  for (const char* name : {"out.jpg", "out.png", "out.tif"}) {
    const QString path = dir.filePath(name);
    ASSERT_TRUE(document.DoSave(path, false)) << document.GetLastError().toStdString();
    auto image = Exiv2::ImageFactory::open(path.toStdString());
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    EXPECT_EQ(exif["Exif.Image.Make"].toString(), "TestCam") << name;
    EXPECT_EQ(exif["Exif.Photo.DateTimeOriginal"].toString(), "2024:05:06 07:08:09") << name;
    EXPECT_EQ(exif["Exif.GPSInfo.GPSLatitude"].toString(), "48/1") << name;
    EXPECT_EQ(exif["Exif.Image.Orientation"].toLong(), 1) << name;
    EXPECT_EQ(exif["Exif.Photo.PixelXDimension"].toLong(), 16) << name;
    EXPECT_EQ(Exiv2::ExifThumbC(exif).copy().size_, 0) << name;
    EXPECT_EQ(image->xmpData()["Xmp.dc.title"].toString(), "lang=\"x-default\" Harbour") << name;
    ASSERT_TRUE(image->iccProfileDefined()) << name;
    const Exiv2::DataBuf* icc = image->iccProfile();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(icc->pData_), icc->size_), kIcc) << name;
    // Upright and inverted: cyan (the red half) on top, yellow below.
    ImagePtr back = DecodeImageFile(path, HalfOfPhysicalMemory(), nullptr);
    ASSERT_TRUE(back && back->width == 16 && back->height == 32) << name;
    EXPECT_LT(qRed(back->rows[2][8]), 64) << name;
    EXPECT_LT(qBlue(back->rows[29][8]), 64) << name;
  }
}

// Rows: a plain JPEG (no camera data: no second pass), EXIF that does not parse, a broken XMP.
TEST(CameraData, PlainOrDamagedFilesOpenAndSaveAsWithout) {
  QTemporaryDir dir;
  const QString plain = dir.filePath("plain.jpg");
  QImage picture(8, 4, QImage::Format_RGB32);
  picture.fill(Qt::green);
  ASSERT_TRUE(picture.save(plain, "JPEG"));
  const QByteArray bytes = test::FileBytes(plain);
  const QByteArray badExif = QByteArray::fromHex("ffe10010457869660000492a00ffffff7f");
  const QByteArray xmp = QByteArray("http://ns.adobe.com/xap/1.0/", 29) + "<x:xmpmeta><";
  const QByteArray badXmp = QByteArray("\xFF\xE1\x00", 3) + char(xmp.size() + 2) + xmp;
  for (const QByteArray& block : {QByteArray(), badExif, badXmp}) {
    const QString path = dir.filePath("in.jpg");
    ASSERT_TRUE(test::WriteFileBytes(path, bytes.left(2) + block + bytes.mid(2)));
    CVantoriaDoc document;
    ASSERT_TRUE(document.OnOpenDocument(path)) << block.toHex().toStdString();
    EXPECT_TRUE(document.GetCameraData().empty());
    for (const char* name : {"out.jpg", "out.png", "out.tif"}) {
      const QString saved = dir.filePath(name), today = dir.filePath(QString("today") + name);
      ASSERT_TRUE(document.DoSave(saved, false)) << name;
      ASSERT_TRUE(EncodeImageFile(*document.GetImage(), today, *GetEncoderClsid(today), nullptr));
      EXPECT_EQ(test::FileBytes(saved), test::FileBytes(today)) << name;
    }
  }
}

}  // namespace
}  // namespace vantoria
