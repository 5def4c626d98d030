#include "framework/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace vantoria {
namespace {

// Song-style faces first (the design face), then the common Chinese faces of Linux systems.
const char* const kPreferredFamilies[] = {
    "宋体",
    "SimSun",
    "AR PL UMing CN",
    "Noto Serif CJK SC",
    "Noto Sans CJK SC",
    "WenQuanYi Zen Hei",
    "WenQuanYi Micro Hei",
    "Droid Sans Fallback",
};

constexpr int kDialogPointSize = 9;
constexpr char32_t kSampleHan = U'版';

bool ShowsChinese(const QFont& font) {
  return QFontMetrics(font).inFontUcs4(kSampleHan);
}

}  // namespace

QFont DialogFont() {
  QFont font(QStringLiteral("宋体"), kDialogPointSize);
  if (ShowsChinese(font)) {
    return font;  // fontconfig resolved the name (or an alias of it) to a Chinese face
  }
  for (const char* family : kPreferredFamilies) {
    const QString name = QString::fromUtf8(family);
    if (QFontDatabase::hasFamily(name)) {
      font.setFamily(name);
      return font;
    }
  }
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  if (!chinese.isEmpty()) {
    font.setFamily(chinese.constFirst());
  }
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the Latin letters, rounded as the template format defines it.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_nBaseWidth = (letters / 26 + 1) / 2;
  m_nBaseHeight = metrics.height();
}

}  // namespace vantoria
