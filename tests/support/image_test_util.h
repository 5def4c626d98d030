#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>

#include "core/pixel_image.h"

namespace vantoria::test {

// Image of the given size filled row by row from `pixels` (which must hold height * width).
ImagePtr ImageFromPixels(std::int32_t height, std::int32_t width,
                         std::initializer_list<Pixel> pixels);
// Every pixel `value`.
ImagePtr UniformImage(std::int32_t height, std::int32_t width, Pixel value);
// Every pixel random, alpha included.
ImagePtr RandomImage(std::mt19937& random, std::int32_t height, std::int32_t width);

// Pixel-exact comparison. On a mismatch it names the first differing pixel and writes
// <name>-actual.png and <name>-expected.png into the build's test-failures folder.
::testing::AssertionResult ImagesEqual(const PixelImage& actual, const PixelImage& expected);

// The sizes where image code goes wrong: empty, one pixel, one row, one column, 2 x 2, odd.
inline constexpr std::pair<std::int32_t, std::int32_t> kEdgeSizes[] = {
    {0, 0}, {0, 5}, {5, 0}, {1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3}, {2, 5}, {5, 2}, {13, 17}};

}  // namespace vantoria::test
