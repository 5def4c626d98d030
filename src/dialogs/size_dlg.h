#pragma once

#include <QSize>
#include <optional>

#include "dialogs/parameter_dlg.h"
#include "operations/operation_table.h"

class QComboBox;
class QLineEdit;

namespace vantoria {

// "尺寸": the new width and height of the active image, each in pixels or as a percentage of
// `imageSize`, the size the image had when the dialog opened (none while no image is open),
// handed in by whoever opens the dialog. OK posts one resize message; there is no
// preview, and Cancel posts nothing.
class CSizeDlg : public CParameterDlg {
  Q_OBJECT

 public:
  explicit CSizeDlg(std::optional<QSize> imageSize, QWidget* parent = nullptr);
  ~CSizeDlg() override;

  // The largest size the resize message carries.
  static constexpr int kMaximumWidth = ops::FindOperation(ops::WM_OP_RESIZE, 0)->ranges[0].high;
  static constexpr int kMaximumHeight = ops::FindOperation(ops::WM_OP_RESIZE, 0)->ranges[1].high;

  // The size in pixels that `number` means: itself in pixels, or `number` percent of
  // `reference`, truncated. Computed wide, so no product overflows.
  static long long PixelSize(int number, bool percent, int reference);

 protected:
  bool OnInitDialog() override;
  bool DoDataExchange(bool save) override;
  void OnOK() override;

 private:
  void OnSelChangeWidthUnit();
  void OnSelChangeHeightUnit();
  // Any selection but pixels, none included, counts as percent.
  static bool IsPercent(const QComboBox* list);

  std::optional<QSize> m_imageSize;
  int m_nImageWidth = 0;
  int m_nImageHeight = 0;
  QComboBox* m_comboHeightUnit;
  QComboBox* m_comboWidthUnit;
  int m_nWidth = 0;
  int m_nHeight = 0;
  QLineEdit* m_pWidthBox;
  QLineEdit* m_pHeightBox;
};

}  // namespace vantoria
