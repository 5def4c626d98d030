// Catches a mosaic dialog that misses a preview per step, passes its 1..65535 limits, or posts
// the wrong wParam bit or size on OK and Cancel.
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include "dialogs/mosaic_dlg.h"
#include "dialogs_driver.h"

namespace vantoria::test {
namespace {

constexpr std::uint32_t kMosaic = 1139;
const OperationMessage kRestore{1124, 0, 0};

class MosaicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowDialog(dialog);
    box = Find<QLineEdit>(&dialog, 1024);
    spin = Find<SpinButton>(&dialog, 1025);
    preview = Find<QCheckBox>(&dialog, 1047);
  }
  void Up(int times = 1) {
    for (int i = 0; i < times; ++i) {
      QTest::mouseClick(spin->UpArrow(), Qt::LeftButton);
    }
  }
  void Down(int times = 1) {
    for (int i = 0; i < times; ++i) {
      QTest::mouseClick(spin->DownArrow(), Qt::LeftButton);
    }
  }

  PostedMessages posted;
  CMosaicDlg dialog;
  QLineEdit* box = nullptr;
  SpinButton* spin = nullptr;
  QCheckBox* preview = nullptr;
};

TEST_F(MosaicTest, OpensAtOneWithPreviewOnAndPostsNothingDoingSo) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "马赛克");
  const DialogUnits units(dialog.font());
  EXPECT_EQ(dialog.size(), units.Size(182, 82));
  EXPECT_EQ(Find<QPushButton>(&dialog, 1)->geometry(), units.Rect(125, 7, 50, 14));
  EXPECT_EQ(preview->geometry(), units.Rect(125, 58, 31, 10));
  // The up-down control sits against the right edge of its box, which gives up the room.
  const QRect templateBox = units.Rect(59, 35, 40, 12);
  EXPECT_EQ(box->geometry().topLeft(), templateBox.topLeft());
  EXPECT_EQ(spin->geometry().left(), box->geometry().right() + 1);
  EXPECT_EQ(spin->geometry().right(), templateBox.right());
  EXPECT_EQ(spin->height(), box->height());
  EXPECT_EQ(box->text(), "1");
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_TRUE(preview->isChecked());
  EXPECT_EQ(preview->text(), "预览");
  EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "方块大小:");
  EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(&dialog, 1));
  // Tab order: OK, Cancel, preview, box; the arrows take no focus.
  for (QWidget* next : std::vector<QWidget*>{Find<QPushButton>(&dialog, 2), preview, box,
                                             Find<QPushButton>(&dialog, 1)}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(MosaicTest, EveryStepPreviewsWithinOneTo65535AndOkPostsNothingButEscRestores) {
  Down();  // already at one: nothing
  Up(2);
  Down(3);
  EXPECT_EQ(box->text(), "1");
  EXPECT_EQ(posted.Take(),
            Messages({{kMosaic, 5, 2}, {kMosaic, 4, 3}, {kMosaic, 4, 2}, {kMosaic, 4, 1}}));
  // Only the up-down control writes the box; it is put near the top directly here.
  box->setText("65534");
  Up(3);
  EXPECT_EQ(box->text(), "65535");
  EXPECT_EQ(posted.Take(), Messages({{kMosaic, 4, 65534}, {kMosaic, 4, 65535}}));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST_F(MosaicTest, OkAfterPreviewsPostsNothing) {
  Up();
  posted.Take();
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(MosaicTest, PreviewClearedFirstThenOkOpensTheEditWithTheSize) {
  Click(preview);
  Up(7);
  EXPECT_EQ(box->text(), "8");
  EXPECT_TRUE(posted.Take().empty());
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({{kMosaic, 1, 8}}));
}

TEST_F(MosaicTest, ArrowKeysInTheBoxStepToo) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Up);
  QTest::keyClick(box, Qt::Key_Up);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(posted.Take(), Messages({{kMosaic, 5, 2}, {kMosaic, 4, 3}, {kMosaic, 4, 2}}));
  // The box takes no typing.
  QTest::keyClicks(box, "9");
  EXPECT_EQ(box->text(), "2");
}

TEST_F(MosaicTest, HoldingAnArrowRepeatsOneStepAtATime) {
  QTest::mousePress(spin->UpArrow(), Qt::LeftButton);
  QTest::qWait(800);
  QTest::mouseRelease(spin->UpArrow(), Qt::LeftButton);
  const Messages messages = posted.Take();
  ASSERT_GE(messages.size(), 3u);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(messages[i],
              (OperationMessage{kMosaic, i == 0 ? 5u : 4u, static_cast<std::uint32_t>(i + 2)}));
  }
  // Released, it stops.
  QTest::qWait(200);
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(MosaicTest, AMessageBoxStopsAHeldArrow) {
  QTest::mousePress(spin->UpArrow(), Qt::LeftButton);
  posted.Take();
  QMessageBox box(QMessageBox::Warning, "Vantoria", "refused");
  QTimer::singleShot(800, &box, &QDialog::accept);
  box.exec();
  EXPECT_TRUE(posted.Take().empty()) << "no step inside the box";
  QTest::qWait(200);
  EXPECT_TRUE(posted.Take().empty()) << "nor after it";
  QTest::mouseRelease(spin->UpArrow(), Qt::LeftButton);
}

TEST_F(MosaicTest, TickingThePreviewAgainGovernsTheNextStep) {
  Click(preview);
  Up(2);
  Click(preview);
  EXPECT_TRUE(posted.Take().empty());  // toggling posts nothing
  Up();
  EXPECT_EQ(posted.Take(), Messages({{kMosaic, 5, 4}}));
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(MosaicTest, OkOrCancelStraightAwayPostNothing) {
  Click(Find<QPushButton>(&dialog, 1));
  CMosaicDlg other;
  ShowDialog(other);
  other.close();
  EXPECT_TRUE(posted.Take().empty());
}

}  // namespace
}  // namespace vantoria::test
