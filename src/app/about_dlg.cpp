#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "framework/dialog_units.h"
#include "res/app_resources.h"

namespace vantoria {
namespace {

// The template, in dialog units.
constexpr QSize kDialogSize(235, 112);
constexpr QRect kIconRect(11, 17, 21, 21);
constexpr QRect kTextRect(40, 14, 119, 8);
constexpr QRect kOkRect(178, 7, 50, 14);
constexpr int kIconPixels = 32;  // an icon control shows the icon at its own size

QRect ToPixels(const DialogUnits& units, const QRect& rect) {
  return units.Rect(rect.x(), rect.y(), rect.width(), rect.height());
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QStringLiteral("关于 Vantoria"));
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.Size(kDialogSize.width(), kDialogSize.height()));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  const QRect iconRect = ToPixels(units, kIconRect);
  icon->setGeometry(QRect(iconRect.topLeft(), QSize(kIconPixels, kIconPixels)));
  icon->setPixmap(res::AppIcon().pixmap(kIconPixels, kIconPixels));

  auto* text = new QLabel(QStringLiteral("Vantoria 1.0 版"), this);
  text->setObjectName(QStringLiteral("aboutText"));
  text->setTextFormat(Qt::PlainText);
  text->setGeometry(ToPixels(units, kTextRect));

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("aboutOk"));
  ok->setGeometry(ToPixels(units, kOkRect));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vantoria
