#pragma once

#include "core/pixel_image.h"

namespace vantoria {

// Per-pixel colour operations. Each reads `source`, writes every pixel of `destination`
// (same size, the caller's duty) and returns 1. Doubles are evaluated in the order written
// and every double-to-int conversion truncates toward zero.

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
  double hue = 0.0;  // degrees, 0 <= hue < 360
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

// trunc((R * 0.299 + G * 0.587) + B * 0.114): the grey level shared by the weighted grey-scale,
// the threshold and the sketch.
int WeightedGrey(int red, int green, int blue);

}  // namespace vantoria
