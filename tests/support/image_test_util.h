#pragma once

#include <gtest/gtest.h>

#include <QFile>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "core/pixel_image.h"

namespace vantoria::test {

// Image of the given size filled row by row from `pixels` (which must hold height * width).
ImagePtr ImageFromPixels(std::int32_t height, std::int32_t width,
                         std::initializer_list<Pixel> pixels);
// Every pixel `value`.
ImagePtr UniformImage(std::int32_t height, std::int32_t width, Pixel value);
// Opaque, every pixel different (up to 4096 x 4096), so a wrong offset shows.
inline ImagePtr PatternImage(std::int32_t height, std::int32_t width) {
  ImagePtr image = CreateImage(height, width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image->rows[y][x] = 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 4 | y >> 8;
    }
  }
  return image;
}
// Every pixel random, alpha included.
ImagePtr RandomImage(std::mt19937& random, std::int32_t height, std::int32_t width);

// The file's bytes, none when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the bytes over the file; false when that fails.
[[nodiscard]] inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Pixel-exact comparison. On a mismatch it names the first differing pixel and writes
// <name>-actual.png and <name>-expected.png into the build's test-failures folder.
::testing::AssertionResult ImagesEqual(const PixelImage& actual, const PixelImage& expected);

// The sizes where image code goes wrong: empty, one pixel, one row, one column, 2 x 2, odd.
inline constexpr std::pair<std::int32_t, std::int32_t> kEdgeSizes[] = {
    {0, 0}, {0, 5}, {5, 0}, {1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3}, {2, 5}, {5, 2}, {13, 17}};
// kEdgeSizes and sizes around the vector block widths (4, 8, 16 pixels plus a border).
std::vector<std::pair<std::int32_t, std::int32_t>> ImagingSizes();

// Runs `body` once per way the imaging routines can run: the baseline vector level and AVX2
// where the processor has it, each with one, two and three threads, rows split even for the
// smallest image. Each run is traced by name; the defaults come back afterwards. Once the test
// has failed, the remaining runs are skipped.
void ForEachConfiguration(const std::function<void()>& body);

// Reads `source`, writes the destination (which starts as the prior contents), returns the code.
using Operation = std::function<int(const PixelImage& source, PixelImage& destination)>;
// An oracle written from a per-pixel rule: every pixel, result 1.
Operation PerPixel(const std::function<Pixel(Pixel)>& rule);
// `op` in every configuration against `oracle`, on random images of every ImagingSizes() size
// (in turn: random, channels from a few levels for ties and extremes, colours within 4 levels for
// flat areas), from the same random destination: same result code, same pixels.
void ExpectMatchesEverywhere(const Operation& op, const Operation& oracle);

}  // namespace vantoria::test
