// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// Brightness, then contrast, on each colour channel v separately:
//   x = v + b                        (not clamped)
//   y = x + trunc(k * (x - 128))     product in double, truncated toward zero
//   channel = clamp(y) to 0..255;    alpha is copied.
// One clamp at the end: with k = -1 every channel lands on 128 whatever b is.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

// The result of a channel depends only on its value, so the 256 outcomes are worked out once.
using ChannelTable = std::array<std::uint8_t, 256>;

// Truncation toward zero that cannot overflow for factors far outside the dialog's -1..1.
// A factor that is not a number leaves the contrast step out.
std::int64_t TruncateSaturated(double value) {
  constexpr double kLimit = 1e18;
  if (std::isnan(value)) {
    return 0;
  }
  return static_cast<std::int64_t>(std::clamp(value, -kLimit, kLimit));
}

ChannelTable BuildTable(int brightness, double contrast) {
  ChannelTable table{};
  for (int v = 0; v < 256; ++v) {
    // 64 bits so that any int offset is added without overflow.
    const std::int64_t x = std::int64_t{v} + brightness;
    const std::int64_t y = x + TruncateSaturated(contrast * static_cast<double>(x - 128));
    table[v] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(y, 0, 255));
  }
  return table;
}

}  // namespace

int AdjustBrightnessContrast(const PixelImage& source, PixelImage& destination, int brightness,
                             double contrast) {
  const ChannelTable table = BuildTable(brightness, contrast);
  for (std::int32_t i = 0; i < destination.height; ++i) {
    const Pixel* in = source.rows[i];
    Pixel* out = destination.rows[i];
    for (std::int32_t j = 0; j < destination.width; ++j) {
      const Pixel p = in[j];
      out[j] = MakePixel(AlphaOf(p), table[RedOf(p)], table[GreenOf(p)], table[BlueOf(p)]);
    }
  }
  return 1;
}

}  // namespace vantoria::reference
