#include <gtest/gtest.h>

#include <random>

#include "core/pixel_image.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;
using test::RandomImage;

TEST(PixelImage, CreateGivesContiguousOpaqueBlackRows) {
  ImagePtr image = CreateImage(2, 3);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->width, 3);
  ASSERT_EQ(image->rows.size(), 2u);
  EXPECT_EQ(image->rows[0], image->pixels());
  EXPECT_EQ(image->rows[1], image->rows[0] + 3);
  for (std::size_t k = 0; k < image->pixelCount(); ++k) {
    EXPECT_EQ(image->pixels()[k], 0xFF000000u);
  }
}

TEST(PixelImage, EmptyAndDegenerateSizesCreateCloneAndFree) {
  for (auto [height, width] : test::kEdgeSizes) {
    ImagePtr image = CreateImage(height, width);
    ASSERT_TRUE(image) << height << "x" << width;
    ImagePtr copy = CloneImage(*image);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(ImagesEqual(*copy, *image));
    FreeImage(copy);
    EXPECT_FALSE(copy);
    FreeImage(copy);  // a second free of an empty pointer does nothing
  }
}

TEST(PixelImage, ImpossibleSizesAreRefusedNotCrashed) {
  EXPECT_FALSE(CreateImage(-1, 5));
  EXPECT_FALSE(CreateImage(5, -1));
  EXPECT_FALSE(WrapImage(PixelBuffer(), 2, 2));
}

TEST(PixelImage, WrapTakesTheBufferWithoutCopying) {
  PixelBuffer buffer = AllocatePixels(6);
  Pixel* raw = buffer.get();
  for (int k = 0; k < 6; ++k) {
    raw[k] = 0x01020300u + static_cast<Pixel>(k);
  }
  ImagePtr image = WrapImage(std::move(buffer), 3, 2);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels(), raw);
  EXPECT_EQ(image->rows[2][1], 0x01020305u);
}

TEST(PixelImage, CloneIsIndependentOfItsSource) {
  std::mt19937 random(1);
  ImagePtr source = RandomImage(random, 5, 7);
  ImagePtr copy = CloneImage(*source);
  EXPECT_TRUE(ImagesEqual(*copy, *source));
  copy->rows[2][3] ^= 0xFFu;
  EXPECT_NE(copy->rows[2][3], source->rows[2][3]);
}

TEST(PixelImage, CropTakesTheInclusiveRegion) {
  std::mt19937 random(2);
  ImagePtr source = RandomImage(random, 4, 4);
  ImagePtr cropped = CropImage(*source, Region{1, 1, 2, 2});
  ASSERT_TRUE(cropped);
  ASSERT_EQ(cropped->width, 2);
  ASSERT_EQ(cropped->height, 2);
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      EXPECT_EQ(cropped->rows[i][j], source->rows[1 + i][1 + j]);
    }
  }
}

TEST(PixelImage, CropThenPasteBackRestoresEveryRegion) {
  std::mt19937 random(3);
  ImagePtr source = RandomImage(random, 6, 9);
  for (int trial = 0; trial < 50; ++trial) {
    std::uniform_int_distribution<int> column(0, 8), row(0, 5);
    int l = column(random), r = column(random), t = row(random), b = row(random);
    const Region region{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
    ImagePtr part = CropImage(*source, region);
    ImagePtr target = CreateImage(6, 9);
    ASSERT_TRUE(PasteImage(*part, *target, region));
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 9; ++j) {
        const bool inside =
            i >= region.top && i <= region.bottom && j >= region.left && j <= region.right;
        EXPECT_EQ(target->rows[i][j], inside ? source->rows[i][j] : kNewPixel);
      }
    }
  }
}

TEST(PixelImage, SizeMismatchesFailAndLeaveTheDestinationAlone) {
  std::mt19937 random(4);
  ImagePtr source = RandomImage(random, 3, 3);
  ImagePtr destination = CreateImage(3, 4);
  EXPECT_FALSE(CopyImagePixels(*source, *destination));
  EXPECT_FALSE(CopyImageRegion(*source, Region{0, 0, 1, 1}, *destination));
  EXPECT_FALSE(PasteImage(*source, *destination, Region{0, 0, 1, 2}));
  EXPECT_TRUE(ImagesEqual(*destination, *CreateImage(3, 4)));
}

TEST(PixelImage, RegionInsideRejectsEmptyAndOutlyingRegions) {
  ImagePtr image = CreateImage(480, 640);
  EXPECT_TRUE(RegionInside(Region{0, 0, 639, 479}, *image));
  EXPECT_TRUE(RegionInside(Region{5, 5, 5, 5}, *image));
  EXPECT_FALSE(RegionInside(Region{0, 0, 640, 479}, *image));
  EXPECT_FALSE(RegionInside(Region{-1, 0, 10, 10}, *image));
  EXPECT_FALSE(RegionInside(Region{10, 10, 9, 20}, *image));
  EXPECT_FALSE(RegionInside(Region{0, 0, 0, 0}, *CreateImage(0, 0)));
}

}  // namespace
}  // namespace vantoria
