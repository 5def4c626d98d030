#pragma once

#include "dialogs/slider_dlg.h"

namespace vantoria {

// "亮度/对比度": brightness and contrast, each -100..100, previewed live.
class CBrightnessContrastDlg : public CSliderDlg {
  Q_OBJECT

 public:
  explicit CBrightnessContrastDlg(QWidget* parent = nullptr);
  ~CBrightnessContrastDlg() override;

 protected:
  ops::LParam PackedValues() const override;

 private:
  TrackSlider* m_sliderContrast;
  TrackSlider* m_sliderBrightness;
  int m_nBrightness = 0;
  int m_nContrast = 0;
  int m_nLastBrightness = 0;
  int m_nLastContrast = 0;
};

}  // namespace vantoria
