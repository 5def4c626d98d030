// Decodes any byte string the way a file is opened, through every image reader Qt has.
// Input: one byte choosing the reader to try first (as a file's extension would), then the
// file's bytes. The result must be refused with a reason or be a well-formed picture within
// the byte limit.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImageReader>
#include <QSize>
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "document/camera_data.h"
#include "document/image_codecs.h"
#include "fuzz/fuzz_formats.h"
#include "imaging/parallel_rows.h"

namespace {

// Large enough for every seed, small enough that a header claiming a huge picture is refused
// quickly instead of exhausting the fuzzer's memory.
constexpr std::size_t kByteLimit = std::size_t{32} << 20;

// Qt's readers carry no coverage of their own, so without help the fuzzer would keep only
// inputs that change our few lines. libFuzzer also counts these cells: one per reader and
// pixel format the header announces, per reader and outcome (the reason's text, hashed), and
// per reader and size class decoded, so an input reaching a new state of a reader is kept.
constexpr std::size_t kFeatureCells = 1 << 14;
__attribute__((used, section("__libfuzzer_extra_counters")))
std::uint8_t gReaderFeatures[kFeatureCells];

void Feature(std::size_t kind, std::size_t a, std::size_t b = 0) {
  std::uint8_t& cell = gReaderFeatures[(kind * 7919 + a * 131 + b) % kFeatureCells];
  cell = static_cast<std::uint8_t>(cell + (cell < 255));
}

std::size_t FormatIndex(const QByteArray& format) {
  const auto& formats = vantoria::fuzz::kFormats;
  return std::find_if(formats.begin(), formats.end(),
                      [&](const char* name) { return format == name; }) -
         formats.begin();
}

std::size_t SizeClass(int side) {
  return std::bit_width(static_cast<unsigned>(std::max(side, 0)));
}

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "decode check failed: %s\n", what);
    std::abort();
  }
}

// Readers warn about every broken file; only a fatal message (which aborts) is worth printing.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message));
  }
}

}  // namespace

// Allocate as the application does: a request too large for the allocator gives a null pointer
// (libmng asks for such sizes on crafted MNG headers, then refuses the file) instead of aborting.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qInstallMessageHandler(QuietMessages);
  // Image plugins want an application object; a GUI one so the SVG reader can render.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
  vantoria::SetThreadCount(1);  // the same inputs every run from a fixed seed
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const QByteArray format = vantoria::fuzz::FormatForSelector(data[0]);
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data) + 1,
                                             static_cast<qsizetype>(size - 1));
  QBuffer header(&bytes);
  header.open(QIODevice::ReadOnly);
  // The probe uses the reader the decode will (none for a format not offered), so it runs no
  // reader the application would not.
  const QByteArray chosen = vantoria::ChooseImageReader(header, format.toLower());
  QImageReader probe(&header, chosen);
  probe.setAutoDetectImageFormat(false);
  const std::size_t reader = FormatIndex(chosen);
  Feature(0, reader, static_cast<std::size_t>(probe.imageFormat()));
  const QSize announced = probe.size();
  Feature(1, reader, SizeClass(announced.width()) * 32 + SizeClass(announced.height()));

  QBuffer device(&bytes);
  device.open(QIODevice::ReadOnly);
  QString error;
  const vantoria::ImagePtr image =
      vantoria::DecodeImageDevice(device, format, QStringLiteral("fuzz"), kByteLimit, &error);
  if (!image) {
    Require(!error.isEmpty(), "a refused file has a reason");
    Feature(2, reader, qHash(error) % 64);
    return 0;
  }
  Feature(3, reader, SizeClass(image->width) * 32 + SizeClass(image->height));
  // A picture that opens has its camera data read too: damaged blocks must come out empty.
  if (vantoria::CanReadCameraData(chosen)) {
    Feature(4, reader, vantoria::ReadCameraDataFromBytes(bytes).empty());
  }
  Require(image->width > 0 && image->height > 0, "a decoded picture is not empty");
  Require(image->byteSize() <= kByteLimit, "a decoded picture fits the byte limit");
  // Touch every pixel so a short buffer shows up under AddressSanitizer.
  const volatile std::uint32_t sum =
      std::accumulate(image->pixels(), image->pixels() + image->pixelCount(), std::uint32_t{0});
  (void)sum;
  return 0;
}
