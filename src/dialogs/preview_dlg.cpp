#include "dialogs/preview_dlg.h"

#include "operations/operation_poster.h"

namespace vantoria {

CPreviewDlg::CPreviewDlg(QWidget* parent, const QString& title, QSize templateSize, ops::Code code)
    : CParameterDlg(parent, title, templateSize), m_code(code) {}

void CPreviewDlg::PostPreview(ops::Origin origin) {
  PostOperationMessage({m_code, ops::PackWParam(origin, m_bFirst), PackedValues()});
  m_bFirst = false;
}

void CPreviewDlg::PostFinal() {
  PostOperationMessage({m_code, ops::PackWParam(ops::kOriginFinal, m_bFirst), PackedValues()});
}

void CPreviewDlg::OnCancel() {
  if (!m_bFirst) {
    PostOperationMessage({ops::WM_OP_RESTORE, 0, 0});
  }
  CParameterDlg::OnCancel();
}

}  // namespace vantoria
