#include "dialogs/threshold_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

// Template 162, in dialog units.
constexpr QSize kSize(259, 82);
constexpr int kThresholdSlider = 1019;
constexpr int kThresholdBox = 1020;
constexpr int kPreviewBox = 1049;
constexpr int kMaximumThreshold = 255;

}  // namespace

CThresholdDlg::CThresholdDlg(QWidget* parent)
    : CSliderDlg(parent, QStringLiteral("二值化"), kSize, ops::WM_OP_BINARIZE, 0,
                 kMaximumThreshold) {
  AddButton(IDOK, QStringLiteral("确定"), {202, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {202, 34, 50, 14}, false);
  m_sliderThreshold = AddSlider(kThresholdSlider, {44, 33, 100, 12});
  QLineEdit* box = AddNumberBox(kThresholdBox, {146, 35, 40, 12}, true);
  AddLabel(QStringLiteral("阀值:"), {16, 37, 20, 8});
  SetPreviewBox(AddCheckBox(kPreviewBox, QStringLiteral("预览"), {202, 60, 31, 10}));

  AddParameter(m_sliderThreshold, box, m_nThreshold, m_nLastThreshold, ops::kOriginFirstControl);
}

CThresholdDlg::~CThresholdDlg() = default;

ops::LParam CThresholdDlg::PackedValues() const {
  return ops::PackThreshold(m_nThreshold);
}

}  // namespace vantoria
