#pragma once

#include <cstdint>

#include "core/pixel_image.h"

class QIODevice;

namespace vantoria {

enum class PngResult { kWritten, kOutOfMemory, kWriteFailed };

// What the file says besides the pixels; the same chunks Qt's PNG writer emits for a QImage
// without text or colour space.
struct PngOptions {
  bool alpha = true;               // RGBA (colour type 6); false writes RGB (colour type 2)
  std::int32_t dotsPerMeterX = 0;  // a pHYs chunk when either is positive
  std::int32_t dotsPerMeterY = 0;
};

// Writes `image` as an 8-bit PNG to `device`: rows filtered in parallel with the filter each
// row compresses best under (the bytes do not depend on the thread count), then one zlib stream,
// stored rather than compressed when a sample of the rows shows it would not shrink (noise).
// Needs about twice the picture's size in memory for the filtered and the compressed bytes.
[[nodiscard]] PngResult WritePng(const PixelImage& image, const PngOptions& options,
                                 QIODevice& device);

}  // namespace vantoria
