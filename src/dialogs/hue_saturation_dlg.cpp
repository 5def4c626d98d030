#include "dialogs/hue_saturation_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

// Template 160, in dialog units.
constexpr QSize kSize(259, 81);
constexpr int kHueSlider = 1007;
constexpr int kHueBox = 1008;
constexpr int kSaturationSlider = 1009;
constexpr int kSaturationBox = 1010;
constexpr int kLightnessSlider = 1011;
constexpr int kLightnessBox = 1012;
constexpr int kPreviewBox = 1046;

}  // namespace

CHueSaturationDlg::CHueSaturationDlg(QWidget* parent)
    : CSliderDlg(parent, QStringLiteral("色相/饱和度/明度"), kSize, ops::WM_OP_HSL, -100, 100) {
  AddButton(IDOK, QStringLiteral("确定"), {202, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {202, 34, 50, 14}, false);
  AddLabel(QStringLiteral("饱和度:"), {16, 34, 27, 8});
  m_sliderHue = AddSlider(kHueSlider, {44, 7, 100, 12});
  QLineEdit* hueBox = AddNumberBox(kHueBox, {146, 9, 40, 12}, true);
  m_sliderSaturation = AddSlider(kSaturationSlider, {44, 29, 100, 12});
  QLineEdit* saturationBox = AddNumberBox(kSaturationBox, {146, 32, 40, 12}, true);
  AddLabel(QStringLiteral("色相:"), {16, 11, 27, 8});
  SetPreviewBox(AddCheckBox(kPreviewBox, QStringLiteral("预览"), {202, 58, 31, 10}));
  AddLabel(QStringLiteral("明度:"), {16, 58, 27, 8});
  m_sliderLightness = AddSlider(kLightnessSlider, {44, 53, 100, 12});
  QLineEdit* lightnessBox = AddNumberBox(kLightnessBox, {146, 57, 40, 12}, true);

  AddParameter(m_sliderHue, hueBox, m_nHue, m_nLastHue, ops::kOriginFirstControl);
  AddParameter(m_sliderSaturation, saturationBox, m_nSaturation, m_nLastSaturation,
               ops::kOriginSecondControl);
  AddParameter(m_sliderLightness, lightnessBox, m_nLightness, m_nLastLightness,
               ops::kOriginThirdControl);
}

CHueSaturationDlg::~CHueSaturationDlg() = default;

ops::LParam CHueSaturationDlg::PackedValues() const {
  return ops::PackHsl(m_nHue, m_nSaturation, m_nLightness);
}

}  // namespace vantoria
