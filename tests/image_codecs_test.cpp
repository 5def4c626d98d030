// Catches wrong encoder lists, filters, extensions, orientation, round trips and byte limits.
#include "document/image_codecs.h"
#include "core/memory_budget.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <random>
#include <string>

#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::RandomImage;

const QString kAllImages = QString::fromUtf8("所有支持的图像文件");
const QString kFile = QString::fromUtf8("文件");

std::optional<ImageEncoder> EncoderNamed(const QString& description) {
  for (const ImageEncoder& encoder : ListImageEncoders()) {
    if (encoder.description == description) {
      return encoder;
    }
  }
  return std::nullopt;
}

ImagePtr RandomOpaqueImage(std::mt19937& random, std::int32_t height, std::int32_t width) {
  ImagePtr image = RandomImage(random, height, width);
  for (std::size_t k = 0; k < image->pixelCount(); ++k) {
    image->pixels()[k] |= 0xFF000000u;
  }
  return image;
}

// ---------------------------------------------------------------------------------------------
// Encoder list, filter strings, choice by extension

TEST(ImageEncoders, CommonFormatsComeInWriterOrderWithUpperCasePatterns) {
  const std::vector<ImageEncoder> encoders = ListImageEncoders();
  const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
  for (const ImageEncoder& encoder : encoders) {
    EXPECT_TRUE(writable.contains(encoder.format)) << encoder.format.constData();
    EXPECT_EQ(encoder.description, QString::fromLatin1(encoder.format).toUpper());
    EXPECT_FALSE(encoder.patterns.isEmpty());
    EXPECT_EQ(encoder.patterns, encoder.patterns.toUpper());
  }
  const struct {
    const char* description;
    const char* format;
    const char* patterns;
  } expected[] = {{"BMP", "bmp", "*.BMP;*.DIB"},
                  {"JPEG", "jpeg", "*.JPG;*.JPEG;*.JPE"},  // the longer of jpg and jpeg
                  {"PNG", "png", "*.PNG"},
                  {"TIFF", "tiff", "*.TIF;*.TIFF"}};
  std::ptrdiff_t previous = -1;
  for (const auto& want : expected) {
    const auto found = std::find_if(encoders.begin(), encoders.end(), [&](const ImageEncoder& e) {
      return e.description == QLatin1String(want.description);
    });
    ASSERT_NE(found, encoders.end()) << want.description;
    EXPECT_EQ(found->format, QByteArray(want.format));
    EXPECT_EQ(found->patterns, QString::fromLatin1(want.patterns));
    EXPECT_GT(found - encoders.begin(), previous) << want.description;
    previous = found - encoders.begin();
  }
  if (const auto icon = EncoderNamed("ICO")) {
    EXPECT_EQ(icon->format, QByteArray("ico"));  // ico and cur tie; the first one wins
  }
}

TEST(ImageEncoders, FilterStringsHaveTheExactShape) {
  const std::optional<FileFilters> filters = BuildFileFilters();
  ASSERT_TRUE(filters);
  EXPECT_TRUE(filters->save.startsWith(QString::fromUtf8(
      "BMP文件(*.BMP;*.DIB)|*.BMP;*.DIB|JPEG文件(*.JPG;*.JPEG;*.JPE)|*.JPG;*.JPEG;*.JPE|")))
      << filters->save.toStdString();
  EXPECT_TRUE(filters->save.contains(QString::fromUtf8("|PNG文件(*.PNG)|*.PNG|")));
  EXPECT_TRUE(filters->save.endsWith("||"));
  EXPECT_FALSE(filters->save.endsWith("|||"));
  EXPECT_TRUE(filters->open.startsWith(kAllImages + "|*.BMP;*.DIB;*.JPG;*.JPEG;*.JPE;*.PNG;"));
  EXPECT_EQ(filters->open.mid(filters->open.indexOf(QString::fromUtf8("|BMP文件")) + 1),
            filters->save + "|");
  const auto encoders = static_cast<qsizetype>(ListImageEncoders().size());
  EXPECT_EQ(ToNameFilters(filters->save).size(), encoders);
  EXPECT_EQ(ToNameFilters(filters->open).size(), encoders + 1);
}

TEST(ImageEncoders, NameFiltersListThePatternsThenTheirLowerCaseVariants) {
  EXPECT_EQ(ToNameFilters(QString::fromUtf8("BMP文件(*.BMP;*.DIB)|*.BMP;*.DIB||")),
            QStringList{QString::fromUtf8("BMP文件(*.BMP;*.DIB) (*.BMP *.DIB *.bmp *.dib)")});
  // Lower-case patterns are not doubled; mixed case gains its lower-case form; the "||" ends it.
  EXPECT_EQ(ToNameFilters("A|*.X|B|*.png;*.Jpg||C|*.C|"),
            (QStringList{"A (*.X *.x)", "B (*.png *.Jpg *.jpg)"}));
  EXPECT_EQ(ToNameFilters("A|*.X;*.x|"), QStringList{"A (*.X *.x)"});
  EXPECT_TRUE(ToNameFilters("").isEmpty());
  EXPECT_TRUE(ToNameFilters("||").isEmpty());
  EXPECT_TRUE(ToNameFilters("A").isEmpty());  // text without a pattern field
}

TEST(ImageEncoders, ExtensionPicksTheFirstEncoderWhosePatternsContainIt) {
  const std::vector<ImageEncoder> encoders = ListImageEncoders();
  ASSERT_FALSE(encoders.empty());
  const auto description = [](const QString& name) {
    const std::optional<ImageEncoder> encoder = GetEncoderClsid(name);
    return encoder ? encoder->description : QStringLiteral("none");
  };
  EXPECT_EQ(description("photo.jpeg"), "JPEG");
  EXPECT_EQ(description("photo.tif"), "TIFF");
  EXPECT_EQ(description("photo.Png"), "PNG");
  EXPECT_EQ(description("/home/user/archive.tar.jpg"), "JPEG");
  EXPECT_EQ(description("photo.xyz"), "none");
  EXPECT_EQ(description("photo."), encoders.front().description);  // empty text is everywhere
  EXPECT_EQ(GetEncoderClsid("photo.")->format, encoders.front().format);
  // A part of a pattern is enough, and the list order decides: "P" first occurs in "*.BMP".
  EXPECT_EQ(description("photo.p"), "BMP");
  EXPECT_EQ(description("photo.PE"), "JPEG");
  // Only the file name counts: a dot in a folder name is no extension.
  EXPECT_EQ(description("/tmp/a.png/photo"), "none");
  // Without a dot the whole name is the text searched for.
  EXPECT_EQ(description("/tmp/a.b/png"), "PNG");
}

// ---------------------------------------------------------------------------------------------
// Decoding and round trips

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  // Encodes with the named encoder; fails the test when that does not work.
  QString Save(const PixelImage& image, const QString& name, const QString& description) {
    const std::optional<ImageEncoder> encoder = EncoderNamed(description);
    EXPECT_TRUE(encoder) << description.toStdString();
    QString error;
    EXPECT_TRUE(encoder && EncodeImageFile(image, Path(name), *encoder, &error))
        << error.toStdString();
    return Path(name);
  }
  ImagePtr Load(const QString& path, std::size_t byteLimit = HalfOfPhysicalMemory()) {
    QString error;
    ImagePtr image = DecodeImageFile(path, byteLimit, &error);
    EXPECT_TRUE(image) << error.toStdString();
    return image;
  }
  QTemporaryDir dir_;
};

// Every encoder on odd and one-pixel sizes; the formats that keep every colour give it back,
// PNG with alpha too.
TEST_F(ImageFiles, EveryEncoderWritesWhatDecodesToTheSameSize) {
  const QStringList lossless = {"BMP", "PNG", "TIFF", "ICO", "ICNS", "PPM", "XPM"};
  std::mt19937 random(11);
  for (const ImageEncoder& encoder : ListImageEncoders()) {
    for (auto [height, width] : {std::pair{32, 32}, {1, 1}, {5, 7}, {1, 7}, {7, 1}, {13, 17}}) {
      if (encoder.description == "ICNS" && height != width) {
        continue;  // icons there are square; other sizes come back padded
      }
      SCOPED_TRACE(encoder.description.toStdString() + " " + std::to_string(height) + "x" +
                   std::to_string(width));
      ImagePtr image = encoder.description == "PNG" ? RandomImage(random, height, width)
                                                    : RandomOpaqueImage(random, height, width);
      const QString path = Path("picture." + QString::fromLatin1(encoder.format));
      QString error;
      ASSERT_TRUE(EncodeImageFile(*image, path, encoder, &error)) << error.toStdString();
      ImagePtr back = Load(path);
      ASSERT_TRUE(back);
      EXPECT_EQ(back->height, height);
      EXPECT_EQ(back->width, width);
      if (lossless.contains(encoder.description)) {
        EXPECT_TRUE(ImagesEqual(*back, *image));
      }
    }
  }
}

TEST_F(ImageFiles, OrientationTagTurnsThePictureUpright) {
  std::mt19937 random(3);
  ImagePtr image = RandomOpaqueImage(random, 2, 3);
  const QImage stored(reinterpret_cast<const uchar*>(image->pixels()), 3, 2, 12,
                      QImage::Format_ARGB32);
  QImageWriter writer(Path("turned.tif"), "tiff");
  ASSERT_TRUE(writer.supportsOption(QImageIOHandler::ImageTransformation));
  writer.setTransformation(QImageIOHandler::TransformationRotate90);
  ASSERT_TRUE(writer.write(stored));

  ImagePtr back = Load(Path("turned.tif"));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->height, 3);
  ASSERT_EQ(back->width, 2);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) {  // a quarter turn clockwise: column y of the stored rows
      EXPECT_EQ(back->rows[y][x], image->rows[1 - x][y]) << x << "," << y;
    }
  }
}

TEST_F(ImageFiles, UnreadableFilesAreRefusedNamingTheFile) {
  std::mt19937 random(5);
  QByteArray garbage(1000, '\0');
  for (char& byte : garbage) {
    byte = static_cast<char>(random());
  }
  ASSERT_TRUE(test::WriteFileBytes(Path("garbage.png"), garbage));
  ASSERT_TRUE(test::WriteFileBytes(Path("empty.png"), QByteArray()));
  ImagePtr image = RandomImage(random, 64, 64);
  const QByteArray png = test::FileBytes(Save(*image, "whole.png", "PNG"));
  ASSERT_TRUE(test::WriteFileBytes(Path("truncated.png"), png.left(png.size() / 2)));
  QDir(dir_.path()).mkdir("folder.png");

  for (const char* name :
       {"garbage.png", "empty.png", "truncated.png", "missing.png", "folder.png"}) {
    QString error;
    EXPECT_FALSE(DecodeImageFile(Path(name), HalfOfPhysicalMemory(), &error)) << name;
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("无法打开文件“") + Path(name) + "”："))
        << error.toStdString();
    EXPECT_GT(error.size(), Path(name).size() + 9) << "no reason given: " << error.toStdString();
  }
  QString error;
  EXPECT_FALSE(DecodeImageFile("", HalfOfPhysicalMemory(), &error));
  EXPECT_TRUE(error.startsWith(QString::fromUtf8("无法打开文件“”："))) << error.toStdString();
  EXPECT_FALSE(DecodeImageFile(Path("missing.png"), HalfOfPhysicalMemory(), nullptr));
}

// At the limit a picture opens, a byte below it is refused: whether the format tells the size
// before decoding (PNG) or not (ICNS); a header claiming 3.6 GB is refused before decoding.
TEST_F(ImageFiles, PicturesAboveTheByteLimitAreRefused) {
  std::mt19937 random(9);
  ASSERT_TRUE(test::WriteFileBytes(Path("huge.ppm"),
                                   QByteArray("P6\n30000 30000\n255\n") + QByteArray(30, '\x7F')));
  const struct {
    QString path;
    std::size_t limit;  // opens at this limit, refused a byte below
  } rows[] = {{Save(*RandomImage(random, 10, 10), "ten.png", "PNG"), 400},
              {EncoderNamed("ICNS") ? Save(*RandomOpaqueImage(random, 32, 32), "icon.icns", "ICNS")
                                    : QString(),
               4096},
              {Path("huge.ppm"), 0}};  // 3.6 GB claimed: refused at 64 MB before decoding
  ASSERT_FALSE(QImageReader(rows[1].path).size().isValid()) << "pick another format";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    QString error;
    EXPECT_FALSE(DecodeImageFile(row.path, row.limit ? row.limit - 1 : 64 << 20, &error));
    EXPECT_EQ(error, QString::fromUtf8("图像太大，内存不足：“%1”").arg(row.path));
    EXPECT_FALSE(DecodeImageFile(row.path, 0, nullptr));
    EXPECT_EQ(row.limit && Load(row.path, row.limit), row.limit > 0);
  }
}

TEST_F(ImageFiles, PhotosAboveQtsDefaultAllocationLimitLoad) {
  const int qtLimit = QImageReader::allocationLimit();
  // 6000 x 6000 ARGB pixels take 144 MB, above Qt's default of 128 MB.
  ImagePtr image = test::UniformImage(6000, 6000, 0xFF336699u);
  const QString path = Save(*image, "big.bmp", "BMP");  // quick to write and decodes as RGB32
  image.reset();
  ASSERT_TRUE(QImageReader(path).read().isNull()) << "Qt's own limit no longer stops this file";
  ImagePtr back = Load(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->height, 6000);
  EXPECT_EQ(back->width, 6000);
  EXPECT_EQ(back->rows[5999][5999], 0xFF336699u);
  EXPECT_EQ(QImageReader::allocationLimit(), qtLimit);  // the raised limit does not linger
}

TEST(ImageDecode, DefaultByteLimitIsHalfOfPhysicalMemory) {
  const auto memory = static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) *
                      static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  EXPECT_EQ(HalfOfPhysicalMemory(), memory / 2);
}

TEST_F(ImageFiles, EmptyPicturesAreRefused) {
  const QString path = Path("keep.png");
  for (auto [height, width] : {std::pair{0, 0}, {0, 5}, {5, 0}}) {
    QString error;
    EXPECT_FALSE(EncodeImageFile(*CreateImage(height, width), path, *EncoderNamed("PNG"), &error));
    EXPECT_EQ(error, QString::fromUtf8("无法保存文件“%1”：图像是空的").arg(path));
  }
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace vantoria
