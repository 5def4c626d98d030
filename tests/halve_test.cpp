// Catches a halving for the reduced views that averages the wrong 2 x 2 block, rounds a channel
// differently, drops an odd last row or column, or ignores a stride, in any build or row split.

#include <gtest/gtest.h>

#include <random>

#include "imaging/halve.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

// Written from the rule: (a + b + c + d + 2) / 4 per byte, the last column or row repeated.
ImagePtr HalveOracle(const PixelImage& image, std::int32_t width) {
  ImagePtr out = CreateImage(HalvedLength(image.height), HalvedLength(width));
  for (int y = 0; y < out->height; ++y) {
    for (int x = 0; x < out->width; ++x) {
      const int rows[] = {2 * y, std::min(2 * y + 1, image.height - 1)};
      const int columns[] = {2 * x, std::min(2 * x + 1, width - 1)};
      Pixel pixel = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        unsigned sum = 2;
        for (const int r : rows) {
          for (const int c : columns) {
            sum += (image.rows[r][c] >> shift) & 0xFFu;
          }
        }
        pixel |= (sum / 4) << shift;
      }
      out->rows[y][x] = pixel;
    }
  }
  return out;
}

TEST(Halve, AveragesEachTwoByTwoBlockOnEverySize) {
  std::mt19937 random(7);
  for (const auto& [height, width] : test::ImagingSizes()) {
    // Two columns more than are halved, so a stride wider than the picture is used too.
    const ImagePtr source = test::RandomImage(random, height, width + 2);
    ImagePtr bright = test::UniformImage(height, width + 2, 0xFFFFFFFFu);
    for (PixelImage* image : {source.get(), bright.get()}) {
      SCOPED_TRACE(::testing::Message() << height << "x" << width);
      const ImagePtr expected = HalveOracle(*image, width);
      test::ForEachConfiguration([&] {
        ImagePtr actual = test::UniformImage(expected->height, expected->width, 0x12345678u);
        HalvePixels(image->pixels(), width + 2, width, height, actual->pixels(), actual->width);
        EXPECT_TRUE(test::ImagesEqual(*actual, *expected));
      });
    }
  }
}

}  // namespace
}  // namespace vantoria
