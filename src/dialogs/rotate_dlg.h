#pragma once

#include "dialogs/slider_dlg.h"

class QRadioButton;

namespace vantoria {

// "旋转": an angle 0..359 and a direction, previewed live. The message carries the angle
// measured clockwise.
class CRotateDlg : public CSliderDlg {
  Q_OBJECT

 public:
  explicit CRotateDlg(QWidget* parent = nullptr);
  ~CRotateDlg() override;

  // The clockwise angle of a slider angle turned in `direction` (0 clockwise, 1 counter-
  // clockwise); a counter-clockwise 0 is 0.
  static int ClockwiseAngle(int angle, int direction);

 protected:
  bool OnInitDialog() override;
  bool DoDataExchange(bool save) override;
  ops::LParam PackedValues() const override;
  // A change of direction alone is a change: what counts is the angle that would be posted.
  bool DiffersFromSent(const SliderParameter& parameter) const override;
  void RememberSent(const SliderParameter& parameter) override;

 private:
  void OnDirectionClicked(int direction);

  int m_nLastAngle = 0;
  TrackSlider* m_sliderAngle;
  int m_nAngle = 0;
  int m_nDirection = -1;
  int m_nLastDirection = 0;  // the direction of the last preview posted
  QRadioButton* m_pClockwise;
  QRadioButton* m_pCounterClockwise;
};

}  // namespace vantoria
