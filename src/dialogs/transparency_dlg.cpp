#include "dialogs/transparency_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

// Template 161, in dialog units.
constexpr QSize kSize(259, 82);
constexpr int kTransparencySlider = 1014;
constexpr int kTransparencyBox = 1015;
constexpr int kPreviewBox = 1050;

}  // namespace

CTransparencyDlg::CTransparencyDlg(QWidget* parent)
    : CSliderDlg(parent, QStringLiteral("透明度"), kSize, ops::WM_OP_TRANSPARENCY, -100, 100) {
  AddButton(IDOK, QStringLiteral("确定"), {202, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {202, 34, 50, 14}, false);
  m_sliderTransparency = AddSlider(kTransparencySlider, {44, 33, 100, 12});
  QLineEdit* box = AddNumberBox(kTransparencyBox, {146, 35, 40, 12}, true);
  AddLabel(QStringLiteral("透明度:"), {16, 37, 27, 8});
  SetPreviewBox(AddCheckBox(kPreviewBox, QStringLiteral("预览"), {202, 59, 31, 10}));

  AddParameter(m_sliderTransparency, box, m_nTransparency, m_nLastTransparency,
               ops::kOriginFirstControl);
}

CTransparencyDlg::~CTransparencyDlg() = default;

ops::LParam CTransparencyDlg::PackedValues() const {
  return ops::PackTransparency(m_nTransparency);
}

}  // namespace vantoria
