#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace vantoria {

// The font the dialogs are designed for: "宋体" 9 pt when fontconfig finds it (or an alias of
// it), else another installed face with Simplified Chinese, so the texts and the layout keep
// their proportions.
QFont DialogFont();

// Converts dialog-template units into pixels for a font: one horizontal unit is a quarter of
// the font's average character width, one vertical unit an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const { return Scale(units, m_nBaseWidth, 4); }
  int Y(int units) const { return Scale(units, m_nBaseHeight, 8); }
  QSize Size(int width, int height) const { return {X(width), Y(height)}; }
  QRect Rect(int left, int top, int width, int height) const {
    return {X(left), Y(top), X(width), Y(height)};
  }

  int BaseWidth() const { return m_nBaseWidth; }
  int BaseHeight() const { return m_nBaseHeight; }

 private:
  // units x base / divisor, rounded to the nearest pixel.
  static int Scale(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
  }

  int m_nBaseWidth;
  int m_nBaseHeight;
};

}  // namespace vantoria
