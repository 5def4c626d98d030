#include "dialogs/rotate_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "dialogs/track_slider.h"

namespace vantoria {
namespace {

// Template 164, in dialog units.
constexpr QSize kSize(259, 82);
constexpr int kAngleSlider = 1029;
constexpr int kAngleBox = 1030;
constexpr int kClockwiseButton = 1034;
constexpr int kCounterClockwiseButton = 1035;
constexpr int kPreviewBox = 1048;
constexpr int kMaximumAngle = 359;
constexpr int kFullTurn = 360;

constexpr int kClockwise = 0;
constexpr int kCounterClockwise = 1;

}  // namespace

CRotateDlg::CRotateDlg(QWidget* parent)
    : CSliderDlg(parent, QStringLiteral("旋转"), kSize, ops::WM_OP_ROTATE, 0, kMaximumAngle) {
  AddButton(IDOK, QStringLiteral("确定"), {202, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {202, 34, 50, 14}, false);
  m_sliderAngle = AddSlider(kAngleSlider, {44, 44, 100, 12});
  QLineEdit* angleBox = AddNumberBox(kAngleBox, {146, 47, 40, 12}, true);
  AddLabel(QStringLiteral("方向:"), {13, 23, 27, 8});
  AddLabel(QStringLiteral("角度:"), {13, 49, 27, 8});
  m_pClockwise = AddRadioButton(kClockwiseButton, QStringLiteral("顺时针"), {65, 23, 38, 8});
  m_pCounterClockwise =
      AddRadioButton(kCounterClockwiseButton, QStringLiteral("逆时针"), {119, 23, 38, 8});
  MakeRadioGroup({m_pClockwise, m_pCounterClockwise});
  SetPreviewBox(AddCheckBox(kPreviewBox, QStringLiteral("预览"), {202, 59, 31, 10}));

  AddParameter(m_sliderAngle, angleBox, m_nAngle, m_nLastAngle, ops::kOriginFirstControl);
  connect(m_pClockwise, &QRadioButton::clicked, this, [this] { OnDirectionClicked(kClockwise); });
  connect(m_pCounterClockwise, &QRadioButton::clicked, this,
          [this] { OnDirectionClicked(kCounterClockwise); });
}

CRotateDlg::~CRotateDlg() = default;

int CRotateDlg::ClockwiseAngle(int angle, int direction) {
  return direction == kCounterClockwise && angle != 0 ? kFullTurn - angle : angle;
}

bool CRotateDlg::OnInitDialog() {
  m_nDirection = kClockwise;
  m_nLastDirection = kClockwise;
  return CSliderDlg::OnInitDialog();
}

bool CRotateDlg::DoDataExchange(bool save) {
  if (!CSliderDlg::DoDataExchange(save)) {
    return false;
  }
  ExchangeRadio(save, {m_pClockwise, m_pCounterClockwise}, m_nDirection);
  return true;
}

ops::LParam CRotateDlg::PackedValues() const {
  return ops::PackAngle(static_cast<std::uint32_t>(ClockwiseAngle(m_nAngle, m_nDirection)));
}

bool CRotateDlg::DiffersFromSent(const SliderParameter& /*parameter*/) const {
  return ClockwiseAngle(m_nAngle, m_nDirection) != ClockwiseAngle(m_nLastAngle, m_nLastDirection);
}

void CRotateDlg::RememberSent(const SliderParameter& parameter) {
  CSliderDlg::RememberSent(parameter);
  m_nLastDirection = m_nDirection;
}

void CRotateDlg::OnDirectionClicked(int direction) {
  // The direction only changes the angle the next preview or OK posts.
  m_nDirection = direction;
  UpdateData(false);
}

}  // namespace vantoria
