#include "tools/batch_steps.h"

#include <QHash>
#include <functional>

namespace vantoria::batch {
namespace {

using namespace ops;

struct Range {
  long long low;
  long long high;
};

// Whole decimal numbers only: no blanks, no fractions, no exponent, no overflow.
std::optional<long long> ParseInteger(const QString& text) {
  bool ok = false;
  const long long value = text.toLongLong(&ok, 10);
  if (!ok || text.trimmed() != text) {
    return std::nullopt;
  }
  return value;
}

// Parses exactly `ranges.size()` comma-separated integers, each inside its range.
std::optional<QList<int>> ParseValues(const QString& text, std::initializer_list<Range> ranges,
                                      QString* error) {
  const QStringList parts = text.split(',');
  if (parts.size() != static_cast<qsizetype>(ranges.size())) {
    *error = QStringLiteral("需要 %1 个用逗号分开的整数").arg(ranges.size());
    return std::nullopt;
  }
  QList<int> values;
  auto range = ranges.begin();
  for (const QString& part : parts) {
    const std::optional<long long> value = ParseInteger(part);
    if (!value || *value < range->low || *value > range->high) {
      *error =
          QStringLiteral("“%1”不是 %2 到 %3 之间的整数").arg(part).arg(range->low).arg(range->high);
      return std::nullopt;
    }
    values.append(static_cast<int>(*value));
    ++range;
  }
  return values;
}

std::optional<Action> Post(std::uint32_t code, WParam wParam, LParam lParam) {
  return PostMessage{{code, wParam, lParam}};
}

// OK of a dialog that showed no preview: the final message opens its own step.
constexpr WParam kDialogOk = PackWParam(kOriginFinal, true);
constexpr Range kSlider{-100, 100};

std::optional<Action> ParseWithValue(const QString& name, const QString& value, QString* error) {
  if (name == "brightness-contrast") {
    const auto v = ParseValues(value, {kSlider, kSlider}, error);
    return v ? Post(WM_OP_BRIGHTNESS_CONTRAST, kDialogOk,
                    PackBrightnessContrast(v->at(0), v->at(1)))
             : std::nullopt;
  }
  if (name == "transparency") {
    const auto v = ParseValues(value, {kSlider}, error);
    return v ? Post(WM_OP_TRANSPARENCY, kDialogOk, PackTransparency(v->at(0))) : std::nullopt;
  }
  if (name == "hsl") {
    const auto v = ParseValues(value, {kSlider, kSlider, kSlider}, error);
    return v ? Post(WM_OP_HSL, kDialogOk, PackHsl(v->at(0), v->at(1), v->at(2))) : std::nullopt;
  }
  if (name == "threshold") {
    const auto v = ParseValues(value, {{0, 255}}, error);
    return v ? Post(WM_OP_BINARIZE, kDialogOk, PackThreshold(v->at(0))) : std::nullopt;
  }
  if (name == "resize") {
    // The largest sizes the size message can carry.
    const auto v = ParseValues(value, {{1, 65535}, {1, 32767}}, error);
    return v ? Post(WM_OP_RESIZE, kDialogOk, PackSize(v->at(0), v->at(1))) : std::nullopt;
  }
  if (name == "rotate") {
    const auto v = ParseValues(value, {{0, 359}}, error);
    return v ? Post(WM_OP_ROTATE, kDialogOk, PackAngle(v->at(0))) : std::nullopt;
  }
  if (name == "mosaic") {
    const auto v = ParseValues(value, {{1, 65535}}, error);
    return v ? Post(WM_OP_MOSAIC, kDialogOk, PackBlockSize(v->at(0))) : std::nullopt;
  }
  if (name == "select") {
    if (value == "all") {
      return SelectAll{};
    }
    if (value == "none") {
      return SelectNone{};
    }
    constexpr Range kCoordinate{0, 2147483647};
    const auto v = ParseValues(value, {kCoordinate, kCoordinate, kCoordinate, kCoordinate}, error);
    if (!v) {
      return std::nullopt;
    }
    if (v->at(0) > v->at(2) || v->at(1) > v->at(3)) {
      *error = QStringLiteral("左边不能大于右边，上边不能大于下边");
      return std::nullopt;
    }
    return SelectRegion{{v->at(0), v->at(1), v->at(2), v->at(3)}};
  }
  static const QHash<QString, QHash<QString, std::pair<std::uint32_t, WParam>>> kChoices = {
      {"grayscale",
       {{"maximum", {WM_OP_GRAYSCALE, kGrayMaximum}},
        {"average", {WM_OP_GRAYSCALE, kGrayAverage}},
        {"weighted", {WM_OP_GRAYSCALE, kGrayWeighted}}}},
      {"mirror",
       {{"horizontal", {WM_OP_MIRROR, kMirrorHorizontal}},
        {"vertical", {WM_OP_MIRROR, kMirrorVertical}}}},
      {"soften",
       {{"box", {WM_OP_SOFTEN, kSoftenBox}},
        {"gaussian", {WM_OP_SOFTEN, kSoftenGaussian}},
        {"median", {WM_OP_SOFTEN, kSoftenMedian}}}},
  };
  const auto choices = kChoices.constFind(name);
  if (choices == kChoices.constEnd()) {
    *error = QStringLiteral("无法识别的步骤");
    return std::nullopt;
  }
  const auto choice = choices->constFind(value);
  if (choice == choices->constEnd()) {
    *error = QStringLiteral("可选的值为 %1").arg(QStringList(choices->keys()).join('|'));
    return std::nullopt;
  }
  return Post(choice->first, choice->second, 0);
}

std::optional<Action> ParseBare(const QString& name, QString* error) {
  static const QHash<QString, std::uint32_t> kFixed = {
      {"invert", WM_OP_INVERT},   {"redeye", WM_OP_REDEYE}, {"crop", WM_OP_CROP},
      {"sharpen", WM_OP_SHARPEN}, {"emboss", WM_OP_EMBOSS}, {"sketch", WM_OP_SKETCH}};
  if (name == "undo") {
    return UndoStep{};
  }
  if (name == "redo") {
    return RedoStep{};
  }
  const auto fixed = kFixed.constFind(name);
  if (fixed != kFixed.constEnd()) {
    return Post(*fixed, 0, 0);
  }
  *error = QStringLiteral("无法识别的步骤，或缺少“=值”");
  return std::nullopt;
}

}  // namespace

std::optional<Step> ParseStep(const QString& text, QString* error) {
  const qsizetype equals = text.indexOf('=');
  QString reason;
  const std::optional<Action> action =
      equals < 0 ? ParseBare(text, &reason)
                 : ParseWithValue(text.left(equals), text.mid(equals + 1), &reason);
  if (!action) {
    *error = QStringLiteral("步骤“%1”无效：%2").arg(text, reason);
    return std::nullopt;
  }
  return Step{text, *action};
}

QString StepHelp() {
  return QStringLiteral(
      "步骤（按顺序执行）：\n"
      "  brightness-contrast=B,C   亮度和对比度，各 -100..100\n"
      "  transparency=T            透明度，-100..100\n"
      "  hsl=H,S,L                 色相、饱和度、亮度，各 -100..100\n"
      "  invert                    反色\n"
      "  grayscale=maximum|average|weighted   灰度（最大值法、平均值法、加权平均值法）\n"
      "  threshold=T               二值化，阈值 0..255\n"
      "  redeye                    消除红眼\n"
      "  resize=W,H                尺寸，宽 1..65535、高 1..32767 像素\n"
      "  crop                      裁剪到选区\n"
      "  rotate=A                  顺时针旋转 A 度，0..359\n"
      "  mirror=horizontal|vertical   水平镜像、垂直镜像\n"
      "  sharpen                   拉普拉斯锐化\n"
      "  soften=box|gaussian|median   简单柔化、高斯柔化、中值滤波\n"
      "  emboss                    浮雕效果\n"
      "  mosaic=N                  马赛克效果，块大小 1..65535\n"
      "  sketch                    素描图效果\n"
      "  select=L,T,R,B            选择矩形（图像像素，边界包含在内）\n"
      "  select=all | select=none  全选、取消选区\n"
      "  undo | redo               撤消、重做\n");
}

}  // namespace vantoria::batch
