#pragma once

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

}  // namespace vantoria
