#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pixel_image.h"

namespace vantoria {

// The image as the screen shows it: each colour channel blended over opaque black,
// round(c * A / 255), alpha 255. Row i goes to `bits` + i * bytesPerLine, the pixels in the
// image's own byte order (blue, green, red, alpha).
void BlendOverBlack(const PixelImage& image, std::uint8_t* bits, std::ptrdiff_t bytesPerLine);

}  // namespace vantoria
