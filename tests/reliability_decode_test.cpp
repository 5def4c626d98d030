// Catches seeds that decode apart from file and memory, and crafted headers that run away.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "fuzz/fuzz_formats.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

class DecodeReliability : public ::testing::Test {
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

// Every seed (every format Qt reads) opens alike from a file and from memory, as the fuzzer reads
// it; under the sanitizer build this runs each reader once with AddressSanitizer watching.
TEST_F(DecodeReliability, DecodeAlikeFromAFileAndFromMemory) {
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
  }
}

QByteArray Le(std::uint32_t value, int bytes) {
  QByteArray out;
  for (int k = 0; k < bytes; ++k) {
    out += static_cast<char>(value >> (8 * k));
  }
  return out;
}

// A little-endian TIFF of one 8-bit grey strip, every field given as (tag, type, value).
QByteArray Tiff(std::initializer_list<std::array<std::uint32_t, 3>> fields) {
  QByteArray out = QByteArray("II*\0", 4) + Le(8, 4) + Le(fields.size(), 2);
  for (const auto& [tag, type, value] : fields) {
    out += Le(tag, 2) + Le(type, 2) + Le(1, 4) + Le(value, 4);
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

// Nine levels of ten uses each: a billion rectangles drawn from a few hundred bytes.
QByteArray SvgUses() {
  QByteArray out =
      R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="64" height="64"><defs><rect id="l0" width="1" height="1"/>)";
  for (int level = 1; level <= 9; ++level) {
    out += "<g id=\"l" + QByteArray::number(level) + "\">";
    for (int k = 0; k < 10; ++k) {
      out += "<use xlink:href=\"#l" + QByteArray::number(level - 1) + "\"/>";
    }
    out += "</g>";
  }
  return out + R"(</defs><use xlink:href="#l9"/></svg>)";
}

QByteArray SvgEntities() {
  QByteArray out = R"(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY a0 "lollollollol">)";
  for (int level = 1; level <= 9; ++level) {
    out += "<!ENTITY a" + QByteArray::number(level) + " \"";
    for (int k = 0; k < 10; ++k) {
      out += "&a" + QByteArray::number(level - 1) + ";";
    }
    out += "\">";
  }
  return out +
         R"(]><svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><text>&a9;</text></svg>)";
}

struct Outcome {
  int status = -1;  // 0 refused with a message, 1 decoded, else how the child ended
  double seconds = 0;
  long peakMegabytes = 0;  // the child's peak resident size, what it shares with this one included
};

// Decodes the file in a child process with 6 s of time and 5 GB more address space than this
// process has, so a reader that runs away is stopped without taking the machine down.
Outcome DecodeInChild(const QString& path) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
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
    _exit(image ? 1 : error.isEmpty() ? 2 : 0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Outcome outcome;
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  outcome.peakMegabytes = usage.ru_maxrss / 1024;
  return outcome;
}

TEST_F(DecodeReliability, CraftedHeadersAreRefusedOrDecodedWithin5SecondsAnd512MB) {
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
      {"big.tif", Tiff({{256, 4, 20000},
                        {257, 4, 20000},
                        {258, 3, 8},
                        {259, 3, 1},
                        {262, 3, 1},
                        {273, 4, 8},
                        {278, 4, 20000},
                        {279, 4, 400000000}})},
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
    const Outcome outcome = DecodeInChild(path);
    std::printf("%-18s %5lld bytes: %s in %.2f s, %ld MB\n", name,
                static_cast<long long>(bytes.size()),
                outcome.status == 0   ? "refused"
                : outcome.status == 1 ? "decoded"
                                      : "FAILED",
                outcome.seconds, outcome.peakMegabytes);
    EXPECT_TRUE(outcome.status == 0 || outcome.status == 1) << name << " ended " << outcome.status;
    EXPECT_LT(outcome.seconds, 5.0) << name;
    EXPECT_LT(outcome.peakMegabytes, 512) << name;
  }
}

}  // namespace
}  // namespace vantoria
