#include "dialogs/brightness_contrast_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

// Template 159, in dialog units.
constexpr QSize kSize(259, 82);
constexpr int kBrightnessSlider = 1001;
constexpr int kBrightnessBox = 1002;
constexpr int kContrastSlider = 1003;
constexpr int kContrastBox = 1004;
constexpr int kPreviewBox = 1045;

}  // namespace

CBrightnessContrastDlg::CBrightnessContrastDlg(QWidget* parent)
    : CSliderDlg(parent, QStringLiteral("亮度/对比度"), kSize, ops::WM_OP_BRIGHTNESS_CONTRAST, -100,
                 100) {
  AddButton(IDOK, QStringLiteral("确定"), {202, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {202, 34, 50, 14}, false);
  AddLabel(QStringLiteral("对比度:"), {16, 49, 27, 8});
  m_sliderBrightness = AddSlider(kBrightnessSlider, {44, 19, 100, 12});
  QLineEdit* brightnessBox = AddNumberBox(kBrightnessBox, {146, 21, 40, 12}, true);
  m_sliderContrast = AddSlider(kContrastSlider, {44, 44, 100, 12});
  QLineEdit* contrastBox = AddNumberBox(kContrastBox, {146, 47, 40, 12}, true);
  AddLabel(QStringLiteral("亮度:"), {16, 23, 27, 8});
  SetPreviewBox(AddCheckBox(kPreviewBox, QStringLiteral("预览"), {202, 58, 31, 10}));

  AddParameter(m_sliderBrightness, brightnessBox, m_nBrightness, m_nLastBrightness,
               ops::kOriginFirstControl);
  AddParameter(m_sliderContrast, contrastBox, m_nContrast, m_nLastContrast,
               ops::kOriginSecondControl);
}

CBrightnessContrastDlg::~CBrightnessContrastDlg() = default;

ops::LParam CBrightnessContrastDlg::PackedValues() const {
  return ops::PackBrightnessContrast(m_nBrightness, m_nContrast);
}

}  // namespace vantoria
