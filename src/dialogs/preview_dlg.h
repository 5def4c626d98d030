#pragma once

#include "dialogs/parameter_dlg.h"
#include "operations/operation_messages.h"

namespace vantoria {

// A parameter dialog that previews its operation on the active image while it is open.
// Untouched until its first preview, Previewed after: the first preview opens an edit that
// later previews and the final message rerun, and Cancel takes that edit back.
class CPreviewDlg : public CParameterDlg {
  Q_OBJECT

 protected:
  CPreviewDlg(QWidget* parent, const QString& title, QSize templateSize, ops::Code code);

  // Every current parameter, packed as the dialog's message carries them.
  virtual ops::LParam PackedValues() const = 0;

  // Posts a preview caused by the control of `origin`; the dialog is Previewed afterwards.
  void PostPreview(ops::Origin origin);
  // Posts the final message of OK: it opens the edit itself when no preview did.
  void PostFinal();
  // Takes a preview back before closing; a dialog that previewed nothing posts nothing.
  void OnCancel() override;

  bool m_bPreview = false;  // previews are posted only while the preview box is ticked
  bool m_bFirst = true;     // no preview posted yet: the next message opens a new edit

 private:
  ops::Code m_code;
};

}  // namespace vantoria
