#pragma once

#include "dialogs/slider_dlg.h"

namespace vantoria {

// "二值化": the threshold 0..255 that splits black from white, previewed live.
class CThresholdDlg : public CSliderDlg {
  Q_OBJECT

 public:
  explicit CThresholdDlg(QWidget* parent = nullptr);
  ~CThresholdDlg() override;

 protected:
  ops::LParam PackedValues() const override;

 private:
  int m_nLastThreshold = 0;
  TrackSlider* m_sliderThreshold;
  int m_nThreshold = 0;
};

}  // namespace vantoria
