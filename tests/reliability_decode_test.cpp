// The decoder fuzzer's seed files, one or more of every format Qt reads, open the same way from
// a file and from memory (the fuzzer decodes from memory), and every one Qt can read does open.
// Under the sanitizer build this runs each reader once with AddressSanitizer watching our side.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <memory>

#include "document/image_codecs.h"
#include "fuzz/fuzz_formats.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

class FuzzSeeds : public ::testing::Test {
 protected:
  // SVG text needs Qt's font database, which needs a GUI application object.
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  static void TearDownTestSuite() { application_.reset(); }

  static inline int argc_ = 1;
  static inline char name_[] = "test";
  static inline char* argv_[] = {name_, nullptr};
  static inline std::unique_ptr<QGuiApplication> application_;
};

TEST_F(FuzzSeeds, DecodeAlikeFromAFileAndFromMemory) {
  const QDir seeds(VANTORIA_DECODE_SEEDS);
  const QStringList names = seeds.entryList({"*.seed"}, QDir::Files, QDir::Name);
  ASSERT_GE(names.size(), 40);
  const QList<QByteArray> readable = QImageReader::supportedImageFormats();
  QTemporaryDir directory;
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    QFile seed(seeds.filePath(name));
    ASSERT_TRUE(seed.open(QIODevice::ReadOnly));
    QByteArray bytes = seed.readAll();
    ASSERT_FALSE(bytes.isEmpty());
    const QByteArray format = fuzz::FormatForSelector(static_cast<std::uint8_t>(bytes[0]));
    bytes.remove(0, 1);

    // A file named with the format as its extension, or with none for the "decide from the
    // content" seeds, is what the in-memory reader is told.
    const QString path = directory.filePath(QFileInfo(name).completeBaseName() +
                                            (format.isEmpty() ? "" : "." + format));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QString fileError;
    const ImagePtr fromFile = DecodeImageFile(path, DefaultImageByteLimit(), &fileError);

    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QString memoryError;
    const ImagePtr fromMemory =
        DecodeImageDevice(device, format, path, DefaultImageByteLimit(), &memoryError);

    // Refusals agree too, though Qt words the reason differently when the format is named
    // rather than guessed from an extension.
    ASSERT_EQ(fromFile != nullptr, fromMemory != nullptr);
    if (fromFile) {
      EXPECT_TRUE(test::ImagesEqual(*fromMemory, *fromFile));
    } else {
      EXPECT_FALSE(memoryError.isEmpty());
      EXPECT_FALSE(fileError.isEmpty());
    }
    // Every seed that names an installed reader is a file it reads, but for compressed Targa,
    // which Qt 6.4 does not read. (Targa has no signature, so the content-only seed of it is
    // refused as well.)
    if (readable.contains(format) && !name.startsWith("tga-rle")) {
      EXPECT_TRUE(fromFile) << fileError.toStdString();
    }
  }
}

}  // namespace
}  // namespace vantoria
