#include "dialogs/mosaic_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "dialogs/spin_button.h"

namespace vantoria {
namespace {

// Template 163, in dialog units.
constexpr QSize kSize(182, 82);
constexpr int kPreviewBox = 1047;
constexpr int kBlockSizeBox = 1024;
constexpr int kBlockSizeSpin = 1025;
constexpr int kMinimumBlockSize = 1;
constexpr int kMaximumBlockSize = 65535;

}  // namespace

CMosaicDlg::CMosaicDlg(QWidget* parent)
    : CPreviewDlg(parent, QStringLiteral("马赛克"), kSize, ops::WM_OP_MOSAIC) {
  AddButton(IDOK, QStringLiteral("确定"), {125, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {125, 34, 50, 14}, false);
  m_pPreviewBox = AddCheckBox(kPreviewBox, QStringLiteral("预览"), {125, 58, 31, 10});
  AddLabel(QStringLiteral("方块大小:"), {16, 37, 35, 8});
  m_pBlockSizeBox = AddNumberBox(kBlockSizeBox, {59, 35, 40, 12}, true);
  m_spinBlockSize = AddSpinButton(kBlockSizeSpin, {98, 35, 10, 12});
  // Every step of the up-down control rewrites the box; each rewrite is one change.
  connect(m_pBlockSizeBox, &QLineEdit::textChanged, this, &CMosaicDlg::OnChangeBlockSize);
}

CMosaicDlg::~CMosaicDlg() = default;

bool CMosaicDlg::OnInitDialog() {
  CPreviewDlg::OnInitDialog();
  m_spinBlockSize->SetBuddy(m_pBlockSizeBox);
  m_spinBlockSize->SetRange32(kMinimumBlockSize, kMaximumBlockSize);
  m_nBlockSize = kMinimumBlockSize;
  m_nLastBlockSize = kMinimumBlockSize;
  m_bPreview = true;
  m_bFirst = true;
  UpdateData(false);
  return true;
}

bool CMosaicDlg::DoDataExchange(bool save) {
  if (!ExchangeText(save, m_pBlockSizeBox, m_nBlockSize)) {
    return false;
  }
  ExchangeCheck(save, m_pPreviewBox, m_bPreview);
  return true;
}

ops::LParam CMosaicDlg::PackedValues() const {
  return ops::PackBlockSize(static_cast<std::uint32_t>(m_nBlockSize));
}

void CMosaicDlg::OnChangeBlockSize() {
  if (IsExchanging()) {
    return;  // the dialog writing its own members is no step of the user's
  }
  // The preview box is read here too, so ticking or clearing it governs the next step.
  if (!UpdateData(true) || !m_bPreview || m_nBlockSize == m_nLastBlockSize) {
    return;
  }
  PostPreview(ops::kOriginFirstControl);
  m_nLastBlockSize = m_nBlockSize;
}

void CMosaicDlg::OnOK() {
  if (!UpdateData(true)) {
    return;
  }
  if (m_nBlockSize != m_nLastBlockSize) {
    PostFinal();
  }
  CPreviewDlg::OnOK();
}

}  // namespace vantoria
