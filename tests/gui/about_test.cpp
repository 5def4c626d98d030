// Catches a wrong About text, icon or template layout, dialog units that scale or round wrongly,
// and keys that fail to close the box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_dlg.h"
#include "framework/dialog_units.h"

namespace vantoria {
namespace {

TEST(AboutDialog, ShowsCaptionIconVersionAndDefaultOk) {
  CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), "关于 Vantoria");
  auto* text = about.findChild<QLabel*>("aboutText");
  auto* icon = about.findChild<QLabel*>("aboutIcon");
  auto* ok = about.findChild<QPushButton*>("aboutOk");
  ASSERT_TRUE(text && icon && ok);
  EXPECT_EQ(text->text(), "Vantoria 1.0 版");
  EXPECT_EQ(ok->text(), "确定");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(icon->pixmap().isNull());
  EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
}

TEST(AboutDialog, LaysOutTheTemplateInDialogUnits) {
  CAboutDlg about;
  const DialogUnits units(about.font());
  ASSERT_GT(units.BaseWidth(), 0);
  EXPECT_EQ(about.size(), units.Size(235, 112));
  EXPECT_EQ(about.findChild<QPushButton*>("aboutOk")->geometry(), units.Rect(178, 7, 50, 14));
  EXPECT_EQ(about.findChild<QLabel*>("aboutText")->geometry(), units.Rect(40, 14, 119, 8));
  EXPECT_EQ(about.findChild<QLabel*>("aboutIcon")->pos(), units.Rect(11, 17, 21, 21).topLeft());
  // The button lies inside the dialog and right of the text.
  EXPECT_TRUE(about.rect().contains(about.findChild<QPushButton*>("aboutOk")->geometry()));
}

TEST(AboutDialog, DialogUnitsScaleAndRound) {
  QFont font = DialogFont();
  EXPECT_EQ(font.pointSize(), 9);
  const DialogUnits units(font);
  EXPECT_EQ(units.X(4), units.BaseWidth());
  EXPECT_EQ(units.Y(8), units.BaseHeight());
  EXPECT_EQ(units.X(0), 0);
  EXPECT_EQ(units.X(2), (2 * units.BaseWidth() + 2) / 4);
}

// Runs the box modally and presses `key` once it is up; returns the exec() result.
int RunAndPress(Qt::Key key) {
  CAboutDlg about;
  QTimer::singleShot(0, &about, [&about, key] {
    QTest::keyClick(&about, key);
    if (about.isVisible()) {
      about.done(-1);  // the key did not close it: end the test's loop anyway
    }
  });
  return about.DoModal();
}

TEST(AboutDialog, EnterEscapeAndOkClose) {
  EXPECT_EQ(RunAndPress(Qt::Key_Escape), QDialog::Rejected);
  EXPECT_EQ(RunAndPress(Qt::Key_Return), QDialog::Accepted);
  EXPECT_EQ(RunAndPress(Qt::Key_Enter), QDialog::Accepted);

  CAboutDlg about;
  QTimer::singleShot(0, &about, [&about] {
    QTest::mouseClick(about.findChild<QPushButton*>("aboutOk"), Qt::LeftButton);
    if (about.isVisible()) {
      about.done(-1);
    }
  });
  EXPECT_EQ(about.DoModal(), QDialog::Accepted);
}

}  // namespace
}  // namespace vantoria
