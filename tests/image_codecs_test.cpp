// Catches encoder list, filter, extension, round-trip and byte-limit faults, and runaway decoders.
#include "document/image_codecs.h"
#include "core/memory_budget.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string>

#include "fuzz/fuzz_formats.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::RandomImage;

std::optional<ImageEncoder> EncoderNamed(const QString& description) {
  for (const ImageEncoder& encoder : ListImageEncoders()) {
    if (encoder.description == description) {
      return encoder;
    }
  }
  return std::nullopt;
}

TEST(ImageEncoders, ListFilterStringsAndExtensionsHaveTheExactShape) {
  const std::vector<ImageEncoder> encoders = ListImageEncoders();
  ASSERT_FALSE(encoders.empty());
  const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
  for (const ImageEncoder& encoder : encoders) {
    EXPECT_TRUE(writable.contains(encoder.format)) << encoder.format.constData();
    EXPECT_EQ(encoder.description, QString::fromLatin1(encoder.format).toUpper());
    EXPECT_FALSE(encoder.patterns.isEmpty());
    EXPECT_EQ(encoder.patterns, encoder.patterns.toUpper());
  }
  EXPECT_EQ(GetEncoderClsid("a.jpg")->format, QByteArray("jpeg"));  // the longer of jpg and jpeg
  if (const auto icon = EncoderNamed("ICO")) {
    EXPECT_EQ(icon->format, QByteArray("ico"));  // ico and cur tie; the first one wins
  }
  // In the writers' order, each pattern list upper case in the MIME database's order.
  const std::optional<FileFilters> filters = BuildFileFilters();
  ASSERT_TRUE(filters);
  EXPECT_TRUE(filters->save.startsWith(QString::fromUtf8(
      "BMP文件(*.BMP;*.DIB)|*.BMP;*.DIB|JPEG文件(*.JPG;*.JPEG;*.JPE)|*.JPG;*.JPEG;*.JPE|")))
      << filters->save.toStdString();
  const qsizetype png = filters->save.indexOf(QString::fromUtf8("|PNG文件(*.PNG)|*.PNG|"));
  EXPECT_GT(png, 0);
  EXPECT_GT(filters->save.indexOf(QString::fromUtf8("|TIFF文件(*.TIF;*.TIFF)|*.TIF;*.TIFF|")), png);
  EXPECT_TRUE(filters->save.endsWith("||"));
  EXPECT_FALSE(filters->save.endsWith("|||"));
  EXPECT_TRUE(filters->open.startsWith(QString::fromUtf8("所有支持的图像文件") +
                                       "|*.BMP;*.DIB;*.JPG;*.JPEG;*.JPE;*.PNG;"));
  EXPECT_EQ(filters->open.mid(filters->open.indexOf(QString::fromUtf8("|BMP文件")) + 1),
            filters->save + "|");
  const auto count = static_cast<qsizetype>(encoders.size());
  EXPECT_EQ(ToNameFilters(filters->save).size(), count);
  EXPECT_EQ(ToNameFilters(filters->open).size(), count + 1);
  const auto description = [](const QString& name) {
    const std::optional<ImageEncoder> encoder = GetEncoderClsid(name);
    return encoder ? encoder->description : QStringLiteral("none");
  };
  // A part of a pattern is enough and the list order decides ("P" first occurs in "*.BMP"); an
  // empty extension is in every list; only the file name counts, and without a dot all of it.
  QStringList found;
  for (const char* name :
       {"photo.jpeg", "photo.tif", "photo.Png", "/home/user/archive.tar.jpg", "photo.xyz",
        "photo.p", "photo.PE", "/tmp/a.png/photo", "/tmp/a.b/png"}) {
    found.append(description(name));
  }
  EXPECT_EQ(found.join(' '), "JPEG TIFF PNG JPEG none BMP JPEG none PNG");
  EXPECT_EQ(description("photo."), encoders.front().description);
}

class ImageFiles : public ::testing::Test {
 protected:
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
                                                    : test::PatternImage(height, width);
      const QString path = Path("picture." + QString::fromLatin1(encoder.format));
      QString error;
      ASSERT_TRUE(EncodeImageFile(*image, path, encoder, &error)) << error.toStdString();
      ImagePtr back = Load(path);
      ASSERT_TRUE(back);
      EXPECT_EQ(std::pair(back->height, back->width), std::pair(height, width));
      if (lossless.contains(encoder.description)) {
        EXPECT_TRUE(ImagesEqual(*back, *image));
      }
    }
  }
}

TEST_F(ImageFiles, UnreadableFilesAndEmptyPicturesAreRefusedNamingTheFile) {
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
  const QString path = Path("keep.png");  // an empty picture is not saved
  for (auto [height, width] : {std::pair{0, 0}, {0, 5}, {5, 0}}) {
    EXPECT_FALSE(EncodeImageFile(*CreateImage(height, width), path, *EncoderNamed("PNG"), &error));
    EXPECT_EQ(error, QString::fromUtf8("无法保存文件“%1”：图像是空的").arg(path));
  }
  EXPECT_FALSE(QFile::exists(path));
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
  } rows[] = {
      {Save(*RandomImage(random, 10, 10), "ten.png", "PNG"), 400},
      {EncoderNamed("ICNS") ? Save(*test::PatternImage(32, 32), "icon.icns", "ICNS") : QString(),
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

TEST_F(ImageFiles, PhotosAboveQtsAllocationLimitLoadUnderOursOfHalfTheMemory) {
  const int qtLimit = QImageReader::allocationLimit();
  // 6000 x 6000 ARGB pixels take 144 MB, above Qt's default of 128 MB.
  ImagePtr image = test::UniformImage(6000, 6000, 0xFF336699u);
  const QString path = Save(*image, "big.bmp", "BMP");  // quick to write and decodes as RGB32
  image.reset();
  ASSERT_TRUE(QImageReader(path).read().isNull()) << "Qt's own limit no longer stops this file";
  ImagePtr back = Load(path);
  EXPECT_TRUE(back && ImagesEqual(*back, *test::UniformImage(6000, 6000, 0xFF336699u)));
  EXPECT_EQ(QImageReader::allocationLimit(), qtLimit);  // the raised limit does not linger
  const auto memory = static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) *
                      static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  EXPECT_EQ(HalfOfPhysicalMemory(), memory / 2);  // the default limit
}

// Every seed (every format Qt reads) opens alike from a file and from memory, as the fuzzer reads
// it; under the sanitizer build this runs each reader once with AddressSanitizer watching.
TEST(DecodeReliability, DecodeAlikeFromAFileAndFromMemory) {
  const QDir seeds(VANTORIA_DECODE_SEEDS);
  const QStringList names = seeds.entryList({"*.seed"}, QDir::Files, QDir::Name);
  ASSERT_GE(names.size(), 40);
  const QList<QByteArray> readable = QImageReader::supportedImageFormats();
  QTemporaryDir directory;
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    QByteArray bytes = test::FileBytes(seeds.filePath(name));
    ASSERT_FALSE(bytes.isEmpty());
    const QByteArray format = fuzz::FormatForSelector(static_cast<std::uint8_t>(bytes[0]));
    bytes.remove(0, 1);

    // A file named with the format as its extension, or with none for the "decide from the
    // content" seeds, is what the in-memory reader is told.
    const QString path = directory.filePath(QFileInfo(name).completeBaseName() +
                                            (format.isEmpty() ? "" : "." + format));
    ASSERT_TRUE(test::WriteFileBytes(path, bytes));
    QString fileError;
    const ImagePtr fromFile = DecodeImageFile(path, HalfOfPhysicalMemory(), &fileError);

    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QString memoryError;
    const ImagePtr fromMemory =
        DecodeImageDevice(device, format, path, HalfOfPhysicalMemory(), &memoryError);

    // Refusals agree too, though Qt words the reason differently when the format is named
    // rather than guessed from an extension.
    ASSERT_EQ(fromFile != nullptr, fromMemory != nullptr);
    if (fromFile) {
      EXPECT_TRUE(test::ImagesEqual(*fromMemory, *fromFile));
    } else {
      EXPECT_FALSE(memoryError.isEmpty());
      EXPECT_FALSE(fileError.isEmpty());
    }
    // Every seed that names an offered reader is a file it reads, but for compressed Targa,
    // which Qt 6.4 does not read. (Targa has no signature, so the content-only seed of it is
    // refused as well.) MNG files and the files that once made trouble are refused.
    const bool mng = name.contains("mng");
    if (readable.contains(format) && !mng && !name.startsWith("tga-rle")) {
      EXPECT_TRUE(fromFile) << fileError.toStdString();
    }
    if (mng || name.startsWith("bad-")) {
      EXPECT_FALSE(fromFile);
    }
    if (name.endsWith("-huge.seed")) {  // refused from the header, at once
      EXPECT_EQ(fileError, QString::fromUtf8("图像太大，内存不足：“%1”").arg(path));
    }
  }
}

QByteArray Le(std::uint32_t value, int bytes) {
  QByteArray out;
  for (int k = 0; k < bytes; ++k) {
    out += static_cast<char>(value >> (8 * k));
  }
  return out;
}

// A little-endian TIFF of one 8-bit grey strip, every field given as tag, type, value.
QByteArray Tiff(const std::vector<std::uint32_t>& fields) {
  QByteArray out = QByteArray("II*\0", 4) + Le(8, 4) + Le(fields.size() / 3, 2);
  for (std::size_t k = 0; k + 2 < fields.size(); k += 3) {
    out += Le(fields[k], 2) + Le(fields[k + 1], 2) + Le(1, 4) + Le(fields[k + 2], 4);
  }
  return out + Le(0, 4) + QByteArray(64, '\x55');
}

// Targa 2.0 (the only kind Qt reads): 18-byte header, a few pixels, the footer.
QByteArray Targa(int width, int height) {
  return QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + Le(width, 2) + Le(height, 2) +
         QByteArray("\x20\x28", 2) + QByteArray(64, '\x7f') + QByteArray(8, '\0') +
         QByteArray("TRUEVISION-XFILE.", 18);
}

QByteArray Gif(int width, int height) {
  return "GIF89a" + Le(width, 2) + Le(height, 2) + QByteArray("\0\0\0,\0\0\0\0\1\0\1\0\0", 13) +
         QByteArray("\2\2\x4c\1\0;", 6);
}

// An icon whose one entry is a bitmap header declaring width x height (the bitmap holds both
// the colour and the mask rows, so twice the height).
QByteArray Icon(int width, int height) {
  return QByteArray("\0\0\1\0\1\0\0\0\0\0\1\0\x20\0", 14) + Le(40, 4) + Le(22, 4) + Le(40, 4) +
         Le(width, 4) + Le(2 * height, 4) + Le(1, 2) + Le(32, 2) + QByteArray(24, '\0') +
         QByteArray(64, '\x33');
}

QByteArray Bitmap(int width, int height) {
  return "BM" + Le(54, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4) +
         Le(1, 2) + Le(24, 2) + QByteArray(24, '\0') + QByteArray(64, '\x33');
}

// Levels 1 to 9, each (`level`, %1 its number) ten references to the one below (`use`, %1):
// a billion copies of level 0 from a few hundred bytes.
QByteArray NineLevels(const QString& level, const QString& use, const QString& end) {
  QString out;
  for (int n = 1; n <= 9; ++n) {
    out += level.arg(n) + use.arg(n - 1).repeated(10) + end;
  }
  return out.toUtf8();
}

QByteArray SvgUses() {
  return R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="64" height="64"><defs><rect id="l0" width="1" height="1"/>)" +
         NineLevels(R"(<g id="l%1">)", R"(<use xlink:href="#l%1"/>)", "</g>") +
         R"(</defs><use xlink:href="#l9"/></svg>)";
}

QByteArray SvgEntities() {
  return R"(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY a0 "lollollollol">)" +
         NineLevels(R"(<!ENTITY a%1 ")", "&a%1;", R"(">)") +
         R"(]><svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><text>&a9;</text></svg>)";
}

// Decodes the file in a child process with 6 s of time and 5 GB more address space than this
// process has, so a reader that runs away is stopped without taking the machine down. Returns
// 0 refused with a message, 1 decoded, 2 refused without one, 3 over 5 s or 512 MB of peak
// resident size (what the child shares with this process included), else 100 + the signal.
int DecodeInChild(const QString& path) {
  const pid_t child = fork();
  if (child == 0) {
    const auto start = std::chrono::steady_clock::now();
    rlimit space{};
    getrlimit(RLIMIT_AS, &space);
    long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%ld", &pages) == 1) {
      space.rlim_cur = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (rlim_t{5} << 30);
      setrlimit(RLIMIT_AS, &space);
    }
    alarm(6);
    QString error;
    const ImagePtr image = DecodeImageFile(path, HalfOfPhysicalMemory(), &error);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const bool slow = std::chrono::steady_clock::now() - start > std::chrono::seconds(5);
    _exit(slow || usage.ru_maxrss > 512 * 1024 ? 3 : image ? 1 : error.isEmpty() ? 2 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(DecodeReliability, CraftedHeadersAreRefusedOrDecodedWithin5SecondsAnd512MB) {
  const QByteArray mng = test::FileBytes(QDir(VANTORIA_DECODE_SEEDS).filePath("bad-mng-slow.seed"));
  ASSERT_FALSE(mng.isEmpty());
  const struct {
    const char* name;
    QByteArray bytes;
  } files[] = {
      {"screen-65535.gif", Gif(65535, 65535)},
      {"screen-20000.gif", Gif(20000, 20000)},
      {"screen-2048.gif", Gif(2048, 2048)},  // small enough to decode from a small file
      {"huge.tga", Targa(65535, 65535)},
      {"big.tga", Targa(20000, 20000)},
      {"2048.tga", Targa(2048, 2048)},  // slow per pixel: the file must hold them all
      {"big.ico", Icon(20000, 20000)},
      {"big.bmp", Bitmap(20000, 20000)},
      {"big.tif", Tiff({256, 4, 20000, 257, 4, 20000, 258, 3, 8,     259, 3, 1,
                        262, 3, 1,     273, 4, 8,     278, 4, 20000, 279, 4, 400000000})},
      {"big.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="20000" height="20000"/>)"},
      {"uses.svg", SvgUses()},
      {"entities.svg", SvgEntities()},
      {"big.ppm", "P6\n20000 20000\n255\n" + QByteArray(64, '\x7f')},
      {"big.pbm", "P1\n20000 20000\n0 1 1 0"},
      {"big.xpm",
       "/* XPM */\nstatic char *x[]={\n\"20000 20000 1 1\",\n\"a c #000000\",\n\"aaaa\"};"},
      {"slow.mng", mng.mid(1)},
  };
  QTemporaryDir directory;
  for (const auto& [name, bytes] : files) {
    const QString path = directory.filePath(name);
    ASSERT_TRUE(test::WriteFileBytes(path, bytes));
    const int status = DecodeInChild(path);
    EXPECT_TRUE(status == 0 || status == 1) << name << " ended " << status;
  }
}

}  // namespace
}  // namespace vantoria
