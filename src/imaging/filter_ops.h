#pragma once

#include "core/pixel_image.h"
#include "imaging/kernels.h"

namespace vantoria {

// Neighbourhood filters. Source and destination have the same size. The kernel filters and
// the sketch write only pixels with a full 3 x 3 window; the caller's destination, a copy of
// the source, supplies the border. Images narrower or lower than 3 pass through untouched.

int SharpenLaplacian(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor);
int SmoothWithKernel(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor);
// count: the number of mask cells above 0; the result is element count / 2 of the sorted values.
int MedianFilter(const PixelImage& source, PixelImage& destination, const Kernel3& mask, int count);
// Writes every pixel; the last row and column become opaque mid-grey.
int Emboss(const PixelImage& source, PixelImage& destination);
// Writes every pixel. Returns 0 and writes nothing when blockSize is 0.
int Mosaic(const PixelImage& source, PixelImage& destination, unsigned blockSize);
int Sketch(const PixelImage& source, PixelImage& destination);

}  // namespace vantoria
