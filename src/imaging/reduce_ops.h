#pragma once

// Reducing a picture for the views below 100 %.

#include <cstddef>
#include <cstdint>

#include "core/pixel_image.h"

namespace vantoria {

// Pixels along one axis after halving: an odd last pixel keeps a place of its own.
constexpr std::int32_t HalvedLength(std::int32_t length) {
  return (length + 1) / 2;
}

// Halves a picture for the reduced views: each byte channel of destination pixel (x, y) is the
// mean of the 2 x 2 block at (2x, 2y), rounded half up, (a + b + c + d + 2) / 4; on an odd width
// or height the last column or row stands in for its missing neighbour. The destination holds
// HalvedLength(height) rows of HalvedLength(width) pixels. Strides count pixels.
void HalvePixels(const Pixel* source, std::ptrdiff_t sourceStride, std::int32_t width,
                 std::int32_t height, Pixel* destination, std::ptrdiff_t destinationStride);

// Reduces a picture to targetWidth x targetHeight by averaging the area behind each destination
// pixel. Along each axis, destination pixel o spans source positions o * S / T to
// (o + 1) * S / T (S source, T destination pixels); source pixel j weighs the 256ths of that
// span it covers, its edges j and j + 1 rounded to the nearest 256th, half up. Each byte channel
// is then (sum of row weight * column weight * channel + 32768) / 65536. Strides count pixels.
void AverageAreas(const Pixel* source, std::ptrdiff_t sourceStride, std::int32_t width,
                  std::int32_t height, Pixel* destination, std::ptrdiff_t destinationStride,
                  std::int32_t targetWidth, std::int32_t targetHeight);

}  // namespace vantoria
