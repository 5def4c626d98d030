#include "support/image_test_util.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstring>
#include <sstream>

namespace vantoria::test {
namespace {

QString FailureFileBase() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  QString name =
      info ? QString("%1.%2").arg(info->test_suite_name(), info->name()) : QStringLiteral("image");
  name.replace('/', '_');
  QDir().mkpath(VANTORIA_TEST_OUTPUT_DIR);
  return QString(VANTORIA_TEST_OUTPUT_DIR) + '/' + name;
}

void WritePng(const PixelImage& image, const QString& path) {
  if (image.width <= 0 || image.height <= 0) {
    return;
  }
  QImage picture(reinterpret_cast<const uchar*>(image.pixels()), image.width, image.height,
                 image.width * 4, QImage::Format_ARGB32);
  picture.save(path);
}

std::string Hex(Pixel p) {
  std::ostringstream text;
  text << "0x" << std::hex << std::uppercase << p;
  return text.str();
}

}  // namespace

ImagePtr ImageFromPixels(std::int32_t height, std::int32_t width,
                         std::initializer_list<Pixel> pixels) {
  ImagePtr image = CreateImage(height, width);
  EXPECT_EQ(pixels.size(), image->pixelCount());
  std::copy_n(pixels.begin(), std::min(pixels.size(), image->pixelCount()), image->pixels());
  return image;
}

ImagePtr UniformImage(std::int32_t height, std::int32_t width, Pixel value) {
  ImagePtr image = CreateImage(height, width);
  std::fill_n(image->pixels(), image->pixelCount(), value);
  return image;
}

ImagePtr RandomImage(std::mt19937& random, std::int32_t height, std::int32_t width) {
  ImagePtr image = CreateImage(height, width);
  for (std::size_t k = 0; k < image->pixelCount(); ++k) {
    image->pixels()[k] = static_cast<Pixel>(random());
  }
  return image;
}

::testing::AssertionResult ImagesEqual(const PixelImage& actual, const PixelImage& expected) {
  if (!SameSize(actual, expected)) {
    return ::testing::AssertionFailure()
           << "size " << actual.width << "x" << actual.height << ", expected " << expected.width
           << "x" << expected.height;
  }
  for (std::int32_t i = 0; i < actual.height; ++i) {
    for (std::int32_t j = 0; j < actual.width; ++j) {
      if (actual.rows[i][j] != expected.rows[i][j]) {
        const QString base = FailureFileBase();
        WritePng(actual, base + "-actual.png");
        WritePng(expected, base + "-expected.png");
        return ::testing::AssertionFailure()
               << "pixel (row " << i << ", column " << j << ") is " << Hex(actual.rows[i][j])
               << ", expected " << Hex(expected.rows[i][j]) << "; images written to "
               << base.toStdString() << "-{actual,expected}.png";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace vantoria::test
