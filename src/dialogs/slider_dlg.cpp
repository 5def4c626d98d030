#include "dialogs/slider_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

constexpr int kTickFrequency = 10;

}  // namespace

CSliderDlg::CSliderDlg(QWidget* parent, const QString& title, QSize templateSize, ops::Code code,
                       int minimum, int maximum)
    : CPreviewDlg(parent, title, templateSize, code), m_nMinimum(minimum), m_nMaximum(maximum) {}

void CSliderDlg::AddParameter(TrackSlider* slider, QLineEdit* box, int& value, int& last,
                              ops::Origin origin) {
  m_parameters.push_back({slider, box, &value, &last, origin});
  const std::size_t index = m_parameters.size() - 1;
  // By index: the vector may still grow and move its elements.
  connect(slider, &TrackSlider::valueChanged, this,
          [this, index] { OnSliderChanged(m_parameters[index]); });
  connect(slider, &TrackSlider::captureReleased, this,
          [this, index] { OnSliderReleased(m_parameters[index]); });
}

void CSliderDlg::SetPreviewBox(QCheckBox* box) {
  m_pPreviewBox = box;
  // Clicks by mouse or by the space bar; setting the box from the members is not a click.
  connect(box, &QCheckBox::clicked, this, &CSliderDlg::OnPreviewClicked);
}

bool CSliderDlg::OnInitDialog() {
  CPreviewDlg::OnInitDialog();
  for (const SliderParameter& parameter : m_parameters) {
    parameter.slider->setRange(m_nMinimum, m_nMaximum);
    parameter.slider->setTickInterval(kTickFrequency);
    parameter.slider->setValue(0);
    *parameter.value = 0;
    *parameter.last = 0;
  }
  m_bPreview = true;
  m_bFirst = true;
  UpdateData(false);
  return true;
}

bool CSliderDlg::DoDataExchange(bool save) {
  for (const SliderParameter& parameter : m_parameters) {
    if (!ExchangeText(save, parameter.box, *parameter.value)) {
      return false;
    }
  }
  if (m_pPreviewBox) {
    ExchangeCheck(save, m_pPreviewBox, m_bPreview);
  }
  return true;
}

void CSliderDlg::OnSliderChanged(const SliderParameter& parameter) {
  // Drag, channel click and keyboard alike: the box beside the slider follows at once.
  *parameter.value = parameter.slider->value();
  UpdateData(false);
}

void CSliderDlg::OnSliderReleased(const SliderParameter& parameter) {
  if (!m_bPreview || !DiffersFromSent(parameter)) {
    return;
  }
  PostPreview(parameter.origin);
  RememberSent(parameter);
}

void CSliderDlg::OnPreviewClicked() {
  // The box's new state governs the next release at once; it posts nothing by itself.
  UpdateData(true);
}

void CSliderDlg::OnOK() {
  if (!UpdateData(true)) {
    return;
  }
  const bool changed =
      std::any_of(m_parameters.begin(), m_parameters.end(),
                  [this](const SliderParameter& parameter) { return DiffersFromSent(parameter); });
  // Unchanged since the last preview: that preview already shows these values and stands.
  if (changed) {
    PostFinal();
  }
  CPreviewDlg::OnOK();
}

bool CSliderDlg::DiffersFromSent(const SliderParameter& parameter) const {
  return *parameter.value != *parameter.last;
}

void CSliderDlg::RememberSent(const SliderParameter& parameter) {
  *parameter.last = *parameter.value;
}

}  // namespace vantoria
