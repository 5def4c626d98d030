#pragma once

#include "dialogs/slider_dlg.h"

namespace vantoria {

// "色相/饱和度/明度": hue, saturation and lightness, each -100..100, previewed live.
class CHueSaturationDlg : public CSliderDlg {
  Q_OBJECT

 public:
  explicit CHueSaturationDlg(QWidget* parent = nullptr);
  ~CHueSaturationDlg() override;

 protected:
  ops::LParam PackedValues() const override;

 private:
  int m_nLastHue = 0;
  int m_nLastSaturation = 0;
  int m_nLastLightness = 0;
  TrackSlider* m_sliderLightness;
  TrackSlider* m_sliderSaturation;
  TrackSlider* m_sliderHue;
  int m_nHue = 0;
  int m_nSaturation = 0;
  int m_nLightness = 0;
};

}  // namespace vantoria
