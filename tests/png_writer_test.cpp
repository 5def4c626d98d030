// Catches PNG writers that change pixels, vary with threads, differ from Qt's chunks, lose files.
#include "document/png_writer.h"
#include "core/memory_budget.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <random>

#include "document/image_codecs.h"
#include "support/image_test_util.h"
#include "support/memory_runs_out.h"

namespace vantoria {
namespace {

constexpr PngOptions kOpaque = {.alpha = false, .dotsPerMeterX = 3780, .dotsPerMeterY = 2000};
constexpr PngOptions kAlpha = {.alpha = true, .dotsPerMeterX = 3780, .dotsPerMeterY = 2000};

QByteArray Png(const PixelImage& image, const PngOptions& options) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  EXPECT_EQ(WritePng(image, options, buffer), PngResult::kWritten);
  return buffer.data();
}

// Chunk types in order with their data, a run of IDAT chunks as one entry without it.
QStringList Chunks(const QByteArray& png) {
  QStringList chunks;
  for (qsizetype at = 8; at + 12 <= png.size();) {
    const auto length = qFromBigEndian<quint32>(png.constData() + at);
    const QByteArray type = png.mid(at + 4, 4);
    const QByteArray data = type == "IDAT" ? QByteArray() : png.mid(at + 8, length).toHex();
    if (chunks.isEmpty() || chunks.back() != "IDAT" || type != "IDAT") {
      chunks.append(QString::fromLatin1(type + data));
    }
    at += 12 + static_cast<qsizetype>(length);
  }
  return chunks;
}

// kind 0: random; 1: flat; 2: smooth, where every filter wins some rows.
ImagePtr Picture(std::mt19937& random, std::int32_t height, std::int32_t width, bool alpha,
                 int kind) {
  ImagePtr image = test::RandomImage(random, height, width);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const Pixel smooth = (255u - y) << 24 | ((x + y) & 255u) << 16 | ((x * y >> 3) & 255u) << 8 |
                           ((2 * x + (random() & 3)) & 255u);
      const Pixel pixel = kind == 0 ? image->rows[y][x] : kind == 1 ? 0x80336699u : smooth;
      image->rows[y][x] = alpha ? pixel : pixel | 0xFF000000u;
    }
  }
  return image;
}

TEST(PngWriter, ReadsBackExactlyWithQtsChunksWhateverTheThreadCount) {
  std::mt19937 random{11};
  const std::tuple<std::int32_t, std::int32_t, int> rows[] = {
      {1, 1, 0},   {1, 9, 0},   {9, 1, 0},   {13, 17, 0},
      {20, 30, 1}, {37, 41, 2}, {64, 33, 0}, {3, 4400, 0}};  // rows whose cost sums pass 16 bits
  for (const auto& [height, width, kind] : rows) {
    for (const PngOptions& options : {kOpaque, kAlpha}) {
      SCOPED_TRACE(testing::Message() << height << " x " << width << " kind " << kind);
      const ImagePtr image = Picture(random, height, width, options.alpha, kind);
      QBuffer png;
      png.setData(Png(*image, options));
      const ImagePtr back = DecodeImageDevice(png, "png", "png", HalfOfPhysicalMemory(), nullptr);
      EXPECT_TRUE(back && test::ImagesEqual(*back, *image));
      QImage picture(reinterpret_cast<const uchar*>(image->pixels()), width, height, width * 4,
                     options.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
      picture.setDotsPerMeterX(options.dotsPerMeterX);
      picture.setDotsPerMeterY(options.dotsPerMeterY);
      QBuffer qt;
      ASSERT_TRUE(qt.open(QIODevice::WriteOnly) && QImageWriter(&qt, "png").write(picture));
      EXPECT_EQ(Chunks(png.data()), Chunks(qt.data()));
      test::ForEachConfiguration([&] { EXPECT_EQ(Png(*image, options), png.data()); });
    }
  }
}

// Past 8 MB of filtered bytes, noise is stored (no smaller than its filtered rows) while a
// picture with any redundancy is still compressed.
TEST(PngWriter, LargeNoiseIsStoredAndLargeSmoothPicturesCompressed) {
  std::mt19937 random{3};
  for (const int kind : {0, 2}) {
    const ImagePtr image = Picture(random, 1200, 1800, true, kind);
    const qsizetype filtered = 1200 * (1800 * 4 + 1);
    const qsizetype size = Png(*image, kAlpha).size();
    EXPECT_TRUE(kind == 0 ? size > filtered : size < filtered * 3 / 4) << kind << ": " << size;
  }
}

// (A write that fails part way is FailedSaves.FullDiskInEveryFormat's, for every format.)
TEST(PngWriter, ExhaustedMemoryLeavesTheOldFile) {
  std::mt19937 random{5};
  QTemporaryDir directory;
  const QString path = directory.filePath("old.png");
  const ImageEncoder png = {"png", "PNG", "*.PNG"};
  ASSERT_TRUE(EncodeImageFile(*test::UniformImage(3, 3, 0), path, png, nullptr));
  const ImagePtr image = Picture(random, 30, 20, true, 0);
  for (const int successes : {0, 1}) {  // the filtered rows, then the compressed stream
    const test::MemoryRunsOut memory(successes);
    QString error;
    EXPECT_FALSE(EncodeImageFile(*image, path, png, &error));
    EXPECT_TRUE(error.contains(QString::fromUtf8("内存不足"))) << error.toStdString();
  }
  const ImagePtr old = DecodeImageFile(path, HalfOfPhysicalMemory(), nullptr);
  EXPECT_TRUE(old && test::ImagesEqual(*old, *test::UniformImage(3, 3, 0)));
  EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace vantoria
