#pragma once

#include <QDialog>

namespace vantoria {

// The modal About box: the application icon, "Vantoria 1.0 版" and an OK button. Enter, Esc and
// OK close it.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  int DoModal() { return exec(); }
};

}  // namespace vantoria
