#pragma once

#include <cstdint>

namespace vantoria {

// A rectangle of image pixels with all four edges inclusive: a region holding one pixel has
// left == right and top == bottom.
struct Region {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  constexpr std::int32_t width() const { return right - left + 1; }
  constexpr std::int32_t height() const { return bottom - top + 1; }
  friend constexpr bool operator==(const Region&, const Region&) = default;
};

}  // namespace vantoria
