// Saving the 24-megapixel picture: our PNG writer and Qt's, beside OpenCV's PNG writer at
// compression levels 1 and 6, and Qt's JPEG and WebP writers. Each row prints its file size
// once, since a faster PNG is only worth having at about the same size.

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

#include "bench_image.h"
#include "comparison.h"
#include "document/image_codecs.h"

#ifdef VANTORIA_BENCH_OPENCV
#include <opencv2/imgcodecs.hpp>
#endif

namespace vantoria::bench {
namespace {

struct SaveState {
  QTemporaryDir directory;
  QImage picture;  // the source as Qt's writer sees it in a save
};

// Runs `save` into `file` and prints the size it wrote the first time.
Run Saving(const std::shared_ptr<SaveState>& state, const QString& file,
           std::function<bool(const QString&)> save) {
  auto printed = std::make_shared<bool>(false);
  return [state, file, save, printed] {
    const QString path = state->directory.filePath(file);
    if (!save(path)) {
      std::fprintf(stderr, "vantoria-bench: could not write %s\n", qPrintable(file));
    } else if (!*printed) {
      *printed = true;
      std::fprintf(stderr, "vantoria-bench: %s is %lld bytes\n", qPrintable(file),
                   static_cast<long long>(QFileInfo(path).size()));
    }
  };
}

Run OursAs(const std::shared_ptr<SaveState>& state, const char* format, const QString& file) {
  const ImageEncoder encoder = {format, QString::fromLatin1(format).toUpper(), QString()};
  return Saving(state, file, [encoder](const QString& path) {
    return EncodeImageFile(SourceImage(), path, encoder, nullptr);
  });
}

Run OpenCvPng(const std::shared_ptr<SaveState>& state, int level) {
#ifdef VANTORIA_BENCH_OPENCV
  const cv::Mat source(SourceImage().height, SourceImage().width, CV_8UC4,
                       const_cast<Pixel*>(SourceImage().pixels()));  // read only
  return Saving(state, QString("opencv%1.png").arg(level), [source, level](const QString& path) {
    return cv::imwrite(path.toStdString(), source, {cv::IMWRITE_PNG_COMPRESSION, level});
  });
#else
  static_cast<void>(state);
  static_cast<void>(level);
  return {};
#endif
}

}  // namespace

std::vector<Row> SaveRows() {
  auto state = std::make_shared<SaveState>();
  const PixelImage& source = SourceImage();
  state->picture = QImage(reinterpret_cast<const uchar*>(source.pixels()), source.width,
                          source.height, source.width * 4, QImage::Format_ARGB32);
  const Run qtPng = Saving(state, "qt.png", [state](const QString& path) {
    return QImageWriter(path, "png").write(state->picture);
  });
  return {
      {"save_png_ours_vs_cv_level1", OursAs(state, "png", "ours.png"), OpenCvPng(state, 1), {}},
      {"save_png_qt_vs_cv_level6", qtPng, OpenCvPng(state, 6), {}},
      {"save_jpeg", OursAs(state, "jpeg", "picture.jpg"), {}, {}},
      {"save_webp", OursAs(state, "webp", "picture.webp"), {}, {}},
  };
}

}  // namespace vantoria::bench
