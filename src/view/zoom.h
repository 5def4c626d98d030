#pragma once

#include <QString>
#include <cstdint>

namespace vantoria {

// How many device pixels one image pixel spans, as an exact fraction, so that the mapping
// between image and device pixels has no rounding drift at any zoom. Image pixel i covers the
// device columns [ToDevice(i), ToDevice(i + 1)).
struct Zoom {
  std::int64_t num = 1;
  std::int64_t den = 1;

  static constexpr int kMinPercentDen = 32;  // 1/32
  static constexpr int kMaxFactor = 32;      // 32x

  // First device pixel of image pixel `i` (which may lie before the image).
  std::int64_t ToDevice(std::int64_t i) const;
  // The image pixel shown at device pixel `x`, both counted from the image's left edge: below
  // 100 % the first of the pixels reduced into it.
  std::int64_t ToImage(std::int64_t x) const;
  // Device pixels taken by `length` image pixels; at least one for a non-empty length.
  int Length(int length) const;
  double Factor() const { return static_cast<double>(num) / static_cast<double>(den); }
  bool IsActual() const { return num == den; }
  // The next fixed step above or below this zoom; this zoom itself at the end of the steps.
  Zoom StepIn() const;
  Zoom StepOut() const;
  // "100%", "12.5%", "3.13%": what the zoom box shows.
  QString PercentText() const;
  friend bool operator==(const Zoom& a, const Zoom& b) { return a.num * b.den == b.num * a.den; }
  friend bool operator<(const Zoom& a, const Zoom& b) { return a.num * b.den < b.num * a.den; }
};

// The largest zoom, within the steps' range, at which a picture fits in an area (device pixels).
Zoom FitZoom(int areaWidth, int areaHeight, int imageWidth, int imageHeight);
// A zoom typed as a percentage, kept within the steps' range; none for text that is no number.
bool ParsePercent(const QString& text, Zoom& zoom);

}  // namespace vantoria
