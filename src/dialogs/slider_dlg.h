#pragma once

#include <vector>

#include "dialogs/preview_dlg.h"

class QCheckBox;
class QLineEdit;

namespace vantoria {

class TrackSlider;

// The pattern of the slider dialogs: each parameter has a slider, a read-only box showing its
// position, its value member and the value its last preview sent. Any change of a slider
// updates its box; letting go of the mouse after working a slider previews the new values
// when the preview box is ticked and the value differs from the one this slider last sent;
// OK sends the final values when any differs from what was last sent.
class CSliderDlg : public CPreviewDlg {
  Q_OBJECT

 protected:
  struct SliderParameter {
    TrackSlider* slider;
    QLineEdit* box;
    int* value;
    int* last;
    ops::Origin origin;
  };

  CSliderDlg(QWidget* parent, const QString& title, QSize templateSize, ops::Code code, int minimum,
             int maximum);

  void AddParameter(TrackSlider* slider, QLineEdit* box, int& value, int& last, ops::Origin origin);
  void SetPreviewBox(QCheckBox* box);

  // Every slider to its range, ticks every 10 and position 0; values and last-sent 0;
  // preview on, Untouched; the controls show it.
  bool OnInitDialog() override;
  bool DoDataExchange(bool save) override;
  void OnOK() override;

  // Whether the parameter's current value differs from what its last preview sent.
  virtual bool DiffersFromSent(const SliderParameter& parameter) const;
  // Records the parameter's current value as sent.
  virtual void RememberSent(const SliderParameter& parameter);

 private:
  void OnSliderChanged(const SliderParameter& parameter);
  void OnSliderReleased(const SliderParameter& parameter);
  void OnPreviewClicked();

  std::vector<SliderParameter> m_parameters;
  QCheckBox* m_pPreviewBox = nullptr;
  int m_nMinimum;
  int m_nMaximum;
};

}  // namespace vantoria
