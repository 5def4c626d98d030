#pragma once

#include "dialogs/slider_dlg.h"

namespace vantoria {

// "透明度": transparency -100..100, previewed live.
class CTransparencyDlg : public CSliderDlg {
  Q_OBJECT

 public:
  explicit CTransparencyDlg(QWidget* parent = nullptr);
  ~CTransparencyDlg() override;

 protected:
  ops::LParam PackedValues() const override;

 private:
  TrackSlider* m_sliderTransparency;
  int m_nTransparency = 0;
  int m_nLastTransparency = 0;
};

}  // namespace vantoria
