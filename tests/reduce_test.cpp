// Catches view reductions that weigh or round wrongly, drop an odd last line or ignore a stride.
#include <gtest/gtest.h>

#include <QSize>
#include <random>

#include "imaging/reduce_ops.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

// Weight of source pixel j in destination pixel o (s source, t destination pixels). Halving:
// 2o and 2o + 1, the last pixel twice on an odd length.
std::int64_t HalveWeight(std::int64_t s, std::int64_t /*t*/, std::int64_t o, std::int64_t j) {
  return (j == 2 * o ? 1 : 0) + (j == std::min(2 * o + 1, s - 1) ? 1 : 0);
}

// Areas: the 256ths of o's span (o s/t to (o+1) s/t) j covers, edges rounded half up.
std::int64_t AreaWeight(std::int64_t s, std::int64_t t, std::int64_t o, std::int64_t j) {
  const auto edge = [&](std::int64_t p) {
    const double at = 256.0 * static_cast<double>(p * t - o * s) / static_cast<double>(s);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(at + 0.5), 0, 256);  // < 0: 0
  };
  return edge(j + 1) - edge(j);
}

// Each channel (sum of row weight * column weight * channel + total / 2) / total.
ImagePtr Oracle(const PixelImage& image, std::int32_t width, QSize target, bool halve) {
  const auto weight = halve ? HalveWeight : AreaWeight;
  const std::int64_t total = halve ? 4 : 65536;
  ImagePtr out = test::UniformImage(target.height(), target.width(), 0);
  for (int i = 0; i < out->height * out->width * 4; ++i) {
    const int y = i / 4 / out->width, x = i / 4 % out->width, k = i % 4 * 8;  // channel k / 8
    std::int64_t sum = total / 2;
    for (int r = 0; r < image.height; ++r) {
      const std::int64_t rowWeight = weight(image.height, out->height, y, r);
      for (int c = 0; rowWeight != 0 && c < width; ++c) {
        sum += rowWeight * weight(width, out->width, x, c) * ((image.rows[r][c] >> k) & 0xFF);
      }
    }
    out->rows[y][x] |= static_cast<Pixel>(sum / total) << k;
  }
  return out;
}

TEST(Reduce, HalvesAndAveragesAreasOnEverySize) {
  std::mt19937 random(7);
  for (const auto& [h, w] : test::ImagingSizes()) {
    const ImagePtr image = test::RandomImage(random, h, w + 2);  // a stride wider than w
    for (const auto& [size, halve] : {std::pair{QSize(HalvedLength(w), HalvedLength(h)), true},
                                      {QSize(w * 3 / 4, h * 2 / 3), false},
                                      {QSize(w, (h + 4) / 5), false},
                                      {QSize(std::min(w, 1), std::min(h, 1)), false}}) {
      SCOPED_TRACE(::testing::Message() << h << "x" << w << " to " << size.width());
      const ImagePtr expected = Oracle(*image, w, size, halve);
      test::ForEachConfiguration([&] {
        ImagePtr out = test::UniformImage(size.height(), size.width(), 0x12345678u);
        halve ? HalvePixels(image->pixels(), w + 2, w, h, out->pixels(), size.width())
              : AverageAreas(image->pixels(), w + 2, w, h, out->pixels(), size.width(),
                             size.width(), size.height());
        EXPECT_TRUE(test::ImagesEqual(*out, *expected));
      });
    }
  }
}

}  // namespace
}  // namespace vantoria
