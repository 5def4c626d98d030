#pragma once

// The plain routines as they were before the fast versions replaced them, kept verbatim as the
// twins every optimised routine is compared with, bit for bit.

#include <cstdint>

#include "core/pixel_image.h"
#include "imaging/kernels.h"

namespace vantoria::reference {

int AdjustBrightnessContrast(const PixelImage& source, PixelImage& destination, int brightness,
                             double contrast);
int AdjustTransparency(const PixelImage& source, PixelImage& destination, int alphaOffset);
int AdjustHueSaturationLightness(const PixelImage& source, PixelImage& destination,
                                 double hueOffset, double saturationOffset, double lightnessOffset);
int InvertColors(const PixelImage& source, PixelImage& destination);
int GrayscaleByMaximum(const PixelImage& source, PixelImage& destination);
int GrayscaleByAverage(const PixelImage& source, PixelImage& destination);
int GrayscaleByWeightedAverage(const PixelImage& source, PixelImage& destination);
int Binarize(const PixelImage& source, PixelImage& destination, int threshold);
int RemoveRedEye(const PixelImage& source, PixelImage& destination);

struct Hsl {
  double hue = 0.0;
  double saturation = 0.0;
  double lightness = 0.0;
};

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

Hsl RgbToHsl(int red, int green, int blue);
Rgb HslToRgb(double hue, double saturation, double lightness);
int WeightedGrey(int red, int green, int blue);

Pixel BlendPixels(Pixel p, double weightP, Pixel q, double weightQ);
Pixel SampleBilinear(const PixelImage& source, double x, double y);
int ResizeImage(const PixelImage& source, PixelImage& destination, std::int32_t width,
                std::int32_t height);
ImagePtr RotateImage(const PixelImage& source, double degrees);
int MirrorHorizontal(const PixelImage& source, PixelImage& destination);
int MirrorVertical(const PixelImage& source, PixelImage& destination);

int SharpenLaplacian(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor);
int SmoothWithKernel(const PixelImage& source, PixelImage& destination, const Kernel3& kernel,
                     int divisor);
int MedianFilter(const PixelImage& source, PixelImage& destination, const Kernel3& mask, int count);
int Emboss(const PixelImage& source, PixelImage& destination);
int Mosaic(const PixelImage& source, PixelImage& destination, unsigned blockSize);
int Sketch(const PixelImage& source, PixelImage& destination);

}  // namespace vantoria::reference
