#include "view/zoom.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace vantoria {
namespace {

// Integral factors above 100 % keep every image pixel a square of equal size.
constexpr std::array<Zoom, 21> kSteps = {
    {{1, 32}, {1, 24}, {1, 16}, {1, 12}, {1, 8}, {1, 6}, {1, 4},  {1, 3},  {1, 2},  {2, 3}, {1, 1},
     {2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1}, {8, 1}, {12, 1}, {16, 1}, {24, 1}, {32, 1}}};

// Rounds toward minus infinity, unlike integer division.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

Zoom Reduced(std::int64_t num, std::int64_t den) {
  const std::int64_t g = std::gcd(num, den);
  return {num / g, den / g};
}

Zoom Clamped(Zoom zoom) {
  return std::clamp(zoom, kSteps.front(), kSteps.back());
}

}  // namespace

std::int64_t Zoom::ToDevice(std::int64_t i) const {
  return FloorDiv(i * num, den);
}

std::int64_t Zoom::ToImage(std::int64_t x) const {
  if (num >= den) {
    return FloorDiv((x + 1) * den - 1, num);  // the one pixel whose block holds x
  }
  // Several pixels share device pixel x: the first of them, so a drag over it starts there.
  return -FloorDiv(-x * den, num);
}

int Zoom::Length(int length) const {
  if (length <= 0) {
    return 0;
  }
  return static_cast<int>(std::max<std::int64_t>(1, ToDevice(length)));
}

Zoom Zoom::StepIn() const {
  for (const Zoom& step : kSteps) {
    if (*this < step) {
      return step;
    }
  }
  return kSteps.back();
}

Zoom Zoom::StepOut() const {
  for (auto step = kSteps.rbegin(); step != kSteps.rend(); ++step) {
    if (*step < *this) {
      return *step;
    }
  }
  return kSteps.front();
}

QString Zoom::PercentText() const {
  const double percent = 100.0 * Factor();
  return QString::number(percent, 'g', percent < 10 ? 3 : 4) + QLatin1Char('%');
}

Zoom FitZoom(int areaWidth, int areaHeight, int imageWidth, int imageHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
    return {1, 1};
  }
  // The tighter of the two axes decides: compare w/W with h/H without dividing.
  const bool byWidth =
      std::int64_t{areaWidth} * imageHeight <= std::int64_t{areaHeight} * imageWidth;
  return Clamped(byWidth ? Reduced(areaWidth, imageWidth) : Reduced(areaHeight, imageHeight));
}

bool ParsePercent(const QString& text, Zoom& zoom) {
  QString number = text.trimmed();
  if (number.endsWith(QLatin1Char('%'))) {
    number.chop(1);
  }
  bool ok = false;
  const double percent = number.trimmed().toDouble(&ok);
  if (!ok || !(percent > 0)) {
    return false;
  }
  // Hundredths of a percent are fine enough for any zoom a user types.
  const auto hundredths = static_cast<std::int64_t>(std::min(percent, 1e6) * 100.0 + 0.5);
  zoom = Clamped(Reduced(std::max<std::int64_t>(hundredths, 1), 10000));
  return true;
}

}  // namespace vantoria
