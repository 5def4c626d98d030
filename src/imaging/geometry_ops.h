#pragma once

#include <cstdint>
#include <optional>

#include "core/pixel_image.h"

namespace vantoria {

// trunc(P * wP + Q * wQ) on each of A, R, G, B; both products formed, then added, in double.
Pixel BlendPixels(Pixel p, double weightP, Pixel q, double weightQ);

// Bilinear sample at column x, row y. Within one pixel outside an edge it interpolates along
// the edge; further out it is opaque white.
Pixel SampleBilinear(const PixelImage& source, double x, double y);

// Fills `destination` (already width x height) by sampling at (j / sx, i / sy), the grids
// aligned at their top-left corners.
int ResizeImage(const PixelImage& source, PixelImage& destination, std::int32_t width,
                std::int32_t height);

struct TurnedSize {
  std::int32_t width;
  std::int32_t height;
};
// The size of the image RotateImage makes; none when it does not fit an int (absurd sources, a
// non-finite angle).
[[nodiscard]] std::optional<TurnedSize> RotatedSize(std::int32_t width, std::int32_t height,
                                                    double degrees);

// Rotates clockwise by `degrees` into a new image large enough for the turned picture, corners
// white. Returns an empty pointer only when memory runs out.
[[nodiscard]] ImagePtr RotateImage(const PixelImage& source, double degrees);

int MirrorHorizontal(const PixelImage& source, PixelImage& destination);
int MirrorVertical(const PixelImage& source, PixelImage& destination);

}  // namespace vantoria
