#include "dialogs/size_dlg.h"

#include <QComboBox>
#include <QLineEdit>

#include "framework/user_prompts.h"
#include "operations/operation_poster.h"

namespace vantoria {
namespace {

// Template 165, in dialog units.
constexpr QSize kSize(219, 55);
constexpr int kWidthBox = 1036;
constexpr int kHeightBox = 1037;
constexpr int kWidthUnit = 1044;
constexpr int kHeightUnit = 1045;

constexpr int kPixels = 0;  // item 0 of a unit list; item 1 is percent
constexpr int kWholeImagePercent = 100;

const QStringList& UnitItems() {
  static const QStringList items = {QStringLiteral("像素"), QStringLiteral("百分比")};
  return items;
}

const char* const kNotPositive = "图像的高度和宽度必须都大于零！";
const char* const kTooLarge = "图像的宽度不能超过65535，高度不能超过32767！";

}  // namespace

CSizeDlg::CSizeDlg(std::optional<QSize> imageSize, QWidget* parent)
    : CParameterDlg(parent, QStringLiteral("尺寸"), kSize), m_imageSize(imageSize) {
  AddButton(IDOK, QStringLiteral("确定"), {162, 7, 50, 14}, true);
  AddButton(IDCANCEL, QStringLiteral("取消"), {162, 34, 50, 14}, false);
  m_pWidthBox = AddNumberBox(kWidthBox, {48, 8, 40, 12}, false);
  m_pHeightBox = AddNumberBox(kHeightBox, {48, 34, 40, 12}, false);
  AddLabel(QStringLiteral("宽度:"), {14, 10, 27, 8});
  AddLabel(QStringLiteral("高度:"), {14, 37, 27, 8});
  m_comboWidthUnit = AddDropList(kWidthUnit, {95, 8, 48, 30}, UnitItems());
  m_comboHeightUnit = AddDropList(kHeightUnit, {94, 34, 48, 30}, UnitItems());
  // A choice by the user, even of the unit already shown; never the dialog's own selection.
  connect(m_comboWidthUnit, &QComboBox::activated, this, &CSizeDlg::OnSelChangeWidthUnit);
  connect(m_comboHeightUnit, &QComboBox::activated, this, &CSizeDlg::OnSelChangeHeightUnit);
}

CSizeDlg::~CSizeDlg() = default;

long long CSizeDlg::PixelSize(int number, bool percent, int reference) {
  if (!percent) {
    return number;
  }
  return static_cast<long long>(number) * reference / kWholeImagePercent;
}

bool CSizeDlg::IsPercent(const QComboBox* list) {
  return list->currentIndex() != kPixels;
}

bool CSizeDlg::OnInitDialog() {
  CParameterDlg::OnInitDialog();
  // The reference sizes are read once: later unit changes and OK never ask again.
  if (!m_imageSize) {
    return false;  // zeros in both boxes, no unit selected
  }
  m_nImageWidth = m_nWidth = m_imageSize->width();
  m_nImageHeight = m_nHeight = m_imageSize->height();
  m_comboWidthUnit->setCurrentIndex(kPixels);
  m_comboHeightUnit->setCurrentIndex(kPixels);
  UpdateData(false);
  return true;
}

bool CSizeDlg::DoDataExchange(bool save) {
  return ExchangeText(save, m_pWidthBox, m_nWidth) && ExchangeText(save, m_pHeightBox, m_nHeight);
}

void CSizeDlg::OnSelChangeWidthUnit() {
  // The number is reset, not converted: percent shows 100, pixels the image's own width.
  m_nWidth = IsPercent(m_comboWidthUnit) ? kWholeImagePercent : m_nImageWidth;
  m_pWidthBox->setText(QString::number(m_nWidth));
}

void CSizeDlg::OnSelChangeHeightUnit() {
  m_nHeight = IsPercent(m_comboHeightUnit) ? kWholeImagePercent : m_nImageHeight;
  m_pHeightBox->setText(QString::number(m_nHeight));
}

void CSizeDlg::OnOK() {
  if (!UpdateData(true)) {
    return;  // the user has been told which box holds no number
  }
  // The numbers as entered are checked, before any percentage is applied.
  if (m_nWidth <= 0 || m_nHeight <= 0) {
    prompts::ShowWarning(this, QString::fromUtf8(kNotPositive));
    return;
  }
  const long long width = PixelSize(m_nWidth, IsPercent(m_comboWidthUnit), m_nImageWidth);
  const long long height = PixelSize(m_nHeight, IsPercent(m_comboHeightUnit), m_nImageHeight);
  // The message could not carry a larger size faithfully: refuse rather than post another.
  if (width > kMaximumWidth || height > kMaximumHeight) {
    prompts::ShowWarning(this, QString::fromUtf8(kTooLarge));
    return;
  }
  PostOperationMessage(
      {ops::WM_OP_RESIZE, ops::PackWParam(ops::kOriginFinal, true),
       ops::PackSize(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height))});
  QDialog::accept();
}

}  // namespace vantoria
