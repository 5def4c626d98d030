#include "dialogs/preview_dialog.h"

#include "app/operation_poster.h"

namespace vantoria {

CPreviewDialog::CPreviewDialog(QWidget* parent, const QString& title, QSize templateSize,
                               ops::Code code)
    : CParameterDialog(parent, title, templateSize), m_code(code) {}

void CPreviewDialog::PostPreview(ops::Origin origin) {
  PostOperationMessage({m_code, ops::PackWParam(origin, m_bFirst), PackedValues()});
  m_bFirst = false;
}

void CPreviewDialog::PostFinal() {
  PostOperationMessage({m_code, ops::PackWParam(ops::kOriginFinal, m_bFirst), PackedValues()});
}

void CPreviewDialog::OnCancel() {
  if (!m_bFirst) {
    PostOperationMessage({ops::WM_OP_RESTORE, 0, 0});
  }
  CParameterDialog::OnCancel();
}

}  // namespace vantoria
