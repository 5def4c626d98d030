#include "support/image_test_util.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <algorithm>
#include <string>

#include "imaging/parallel_rows.h"
#include "imaging/testing_hooks.h"

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
  return "0x" + QString::number(p, 16).toUpper().toStdString();
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

std::vector<std::pair<std::int32_t, std::int32_t>> ImagingSizes() {
  constexpr std::pair<std::int32_t, std::int32_t> kBlockSizes[] = {
      {1, 40}, {40, 1}, {2, 33}, {3, 18},  {3, 19},  {4, 6},   {5, 9},
      {6, 10}, {7, 17}, {9, 31}, {10, 11}, {17, 35}, {33, 65}, {67, 131}};
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes(std::begin(kEdgeSizes),
                                                           std::end(kEdgeSizes));
  sizes.insert(sizes.end(), std::begin(kBlockSizes), std::end(kBlockSizes));
  return sizes;
}

void ForEachConfiguration(const std::function<void()>& body) {
  std::vector<simd::VectorLevel> levels = {simd::VectorLevel::kBaseline};
  if (simd::SupportedVectorLevel() != simd::VectorLevel::kBaseline) {
    levels.push_back(simd::SupportedVectorLevel());
  }
  const std::size_t minimum = ParallelMinimumPixels();
  SetParallelMinimumPixels(0);
  for (const simd::VectorLevel level : levels) {
    for (const int threads : {1, 2, 3}) {
      if (::testing::Test::HasFailure()) {
        break;  // one failure says enough, and each writes two pictures
      }
      SCOPED_TRACE(std::string(level == simd::VectorLevel::kBaseline ? "baseline" : "AVX2") +
                   ", threads " + std::to_string(threads));
      simd::SetVectorLevel(level);
      SetThreadCount(threads);
      body();
    }
  }
  SetParallelMinimumPixels(minimum);
  SetThreadCount(0);
  simd::SetVectorLevel(simd::SupportedVectorLevel());
}

Operation PerPixel(const std::function<Pixel(Pixel)>& rule) {
  return [rule](const PixelImage& source, PixelImage& destination) {
    std::transform(source.pixels(), source.pixels() + source.pixelCount(), destination.pixels(),
                   rule);
    return 1;
  };
}

void ExpectMatchesEverywhere(const Operation& op, const Operation& oracle) {
  std::mt19937 random(20240611u);
  int kind = 0;
  for (const auto& [height, width] : ImagingSizes()) {
    SCOPED_TRACE(std::to_string(height) + " x " + std::to_string(width));
    ImagePtr source = RandomImage(random, height, width);
    auto* bytes = reinterpret_cast<std::uint8_t*>(source->pixels());
    const int base = static_cast<int>(random() % 252);
    kind = (kind + 1) % 3;
    for (std::size_t k = 0; kind > 0 && k < source->byteSize(); ++k) {
      constexpr std::uint8_t kLevels[] = {0, 1, 2, 127, 128, 129, 200, 254, 255};
      const bool alpha = k % 4 == 3;
      bytes[k] = kind == 1 ? kLevels[random() % std::size(kLevels)]
                           : (alpha ? bytes[k] : static_cast<std::uint8_t>(base + random() % 4));
    }
    const ImagePtr original = CloneImage(*source);
    const ImagePtr start = RandomImage(random, height, width);
    const ImagePtr expected = CloneImage(*start);
    const int expectedResult = oracle(*source, *expected);
    ForEachConfiguration([&] {
      const ImagePtr actual = CloneImage(*start);
      EXPECT_EQ(op(*source, *actual), expectedResult);
      EXPECT_TRUE(ImagesEqual(*actual, *expected));
    });
    EXPECT_TRUE(ImagesEqual(*source, *original));
  }
}

}  // namespace vantoria::test
