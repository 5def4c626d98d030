#pragma once

#include <cstdint>

#include "core/pixel_image.h"

namespace vantoria {

constexpr int AlphaOf(Pixel p) {
  return static_cast<int>(p >> 24);
}
constexpr int RedOf(Pixel p) {
  return static_cast<int>((p >> 16) & 0xFFu);
}
constexpr int GreenOf(Pixel p) {
  return static_cast<int>((p >> 8) & 0xFFu);
}
constexpr int BlueOf(Pixel p) {
  return static_cast<int>(p & 0xFFu);
}

// Each channel is kept to its low 8 bits.
constexpr Pixel MakePixel(int alpha, int red, int green, int blue) {
  return (static_cast<Pixel>(alpha & 0xFF) << 24) | (static_cast<Pixel>(red & 0xFF) << 16) |
         (static_cast<Pixel>(green & 0xFF) << 8) | static_cast<Pixel>(blue & 0xFF);
}

constexpr int Clamp255(int value) {
  return value > 255 ? 255 : (value < 0 ? 0 : value);
}

}  // namespace vantoria
