// Catches a quarter turn (toolbar, dialog) that takes other source pixels than its geometry
// gives, or makes the background in other places, in any vector level or split of rows.

#include <gtest/gtest.h>

#include "imaging/geometry_ops.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFFu;

// With the 15-digit pi, cos 90 and sin 180 are about 1e-15, not 0; the picture grows by one each
// way and destination (i, j) samples at (x0 + 1/2 + d, y0 + 1/2 + e), d and e below 1e-6, with
// (x0, y0) = (i - 1, H - j) at 90 degrees, (W - j, H - i) at 180, (W - i, j - 1) at 270. So it
// blends the source pixels of columns x0, x0 + 1 and rows y0, y0 + 1 that lie inside, with
// weights 1/2 -+ d and 1/2 -+ e, and is white where x0 = W or y0 = H.
TEST(QuarterTurn, BlendsTheTwoByTwoBlockAtTheTurnedPosition) {
  test::ForEachConfiguration([] {
    for (int height = 1; height <= 5; ++height) {
      for (int width = 1; width <= 5; ++width) {
        for (const double degrees : {90.0, 180.0, 270.0}) {
          const bool upright = degrees == 180.0;
          for (int lit = 0; lit < height * width; ++lit) {
            const int r = lit / width;
            const int c = lit % width;
            SCOPED_TRACE(::testing::Message() << height << "x" << width << " by " << degrees
                                              << ", lit " << r << "," << c);
            ImagePtr image = test::UniformImage(height, width, 0);
            image->rows[r][c] = kWhite;
            const ImagePtr out = RotateImage(*image, degrees);
            ASSERT_EQ(out->width, (upright ? width : height) + 1);
            ASSERT_EQ(out->height, (upright ? height : width) + 1);
            for (int i = 0; i < out->height; ++i) {
              for (int j = 0; j < out->width; ++j) {
                const int x0 = degrees == 90.0 ? i - 1 : width - (upright ? j : i);
                const int y0 = degrees == 270.0 ? j - 1 : height - (upright ? i : j);
                const bool white = x0 == width || y0 == height;
                const bool taken = (c == x0 || c == x0 + 1) && (r == y0 || r == y0 + 1);
                const Pixel got = out->rows[i][j];
                ASSERT_TRUE(white ? got == kWhite : (got != 0) == taken) << i << "," << j;
              }
            }
          }
        }
      }
    }
  });
}

}  // namespace
}  // namespace vantoria
