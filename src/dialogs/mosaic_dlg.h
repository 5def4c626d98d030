#pragma once

#include "dialogs/preview_dlg.h"

class QCheckBox;
class QLineEdit;

namespace vantoria {

class SpinButton;

// "马赛克": the block size 1..65535, stepped with an up-down control and previewed at every
// step.
class CMosaicDlg : public CPreviewDlg {
  Q_OBJECT

 public:
  explicit CMosaicDlg(QWidget* parent = nullptr);
  ~CMosaicDlg() override;

 protected:
  bool OnInitDialog() override;
  bool DoDataExchange(bool save) override;
  void OnOK() override;
  ops::LParam PackedValues() const override;

 private:
  void OnChangeBlockSize();

  int m_nLastBlockSize = 1;
  SpinButton* m_spinBlockSize;
  int m_nBlockSize = 0;
  QCheckBox* m_pPreviewBox;
  QLineEdit* m_pBlockSizeBox;
};

}  // namespace vantoria
