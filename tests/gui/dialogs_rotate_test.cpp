// Catches a rotate dialog that posts the wrong clockwise angle or direction, misses a change of
// direction alone, or shows the wrong template.
#include <QLabel>
#include <QSlider>

#include "dialogs/rotate_dlg.h"
#include "dialogs_driver.h"

namespace vantoria::test {
namespace {

constexpr std::uint32_t kRotate = 1134;
const OperationMessage kRestore{1124, 0, 0};

class RotateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowDialog(dialog);
    angle = Find<QSlider>(&dialog, 1029);
    box = Find<QLineEdit>(&dialog, 1030);
    clockwise = Find<QRadioButton>(&dialog, 1034);
    counterClockwise = Find<QRadioButton>(&dialog, 1035);
    preview = Find<QCheckBox>(&dialog, 1048);
  }
  // The exact angle: keyboard to it, then a press and release on the thumb.
  void SetAngleAndRelease(int value) {
    KeyTo(angle, value);
    ClickThumb(angle);
  }

  PostedMessages posted;
  CRotateDlg dialog;
  QSlider* angle = nullptr;
  QLineEdit* box = nullptr;
  QRadioButton* clockwise = nullptr;
  QRadioButton* counterClockwise = nullptr;
  QCheckBox* preview = nullptr;
};

TEST_F(RotateTest, OpensClockwiseAtZeroWithPreviewOnAndItsTemplate) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "旋转");
  const DialogUnits units(dialog.font());
  EXPECT_EQ(dialog.size(), units.Size(259, 82));
  EXPECT_EQ(angle->geometry(), units.Rect(44, 44, 100, 12));
  EXPECT_EQ(box->geometry(), units.Rect(146, 47, 40, 12));
  EXPECT_EQ(clockwise->geometry(), units.Rect(65, 23, 38, 8));
  EXPECT_EQ(counterClockwise->geometry(), units.Rect(119, 23, 38, 8));
  EXPECT_EQ(preview->geometry(), units.Rect(202, 59, 31, 10));
  EXPECT_EQ(angle->minimum(), 0);
  EXPECT_EQ(angle->maximum(), 359);
  EXPECT_EQ(angle->tickInterval(), 10);
  EXPECT_EQ(angle->value(), 0);
  EXPECT_EQ(box->text(), "0");
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(clockwise->text(), "顺时针");
  EXPECT_EQ(counterClockwise->text(), "逆时针");
  EXPECT_TRUE(clockwise->isChecked());
  EXPECT_FALSE(counterClockwise->isChecked());
  EXPECT_EQ(preview->text(), "预览");
  EXPECT_TRUE(preview->isChecked());
  QStringList labels;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    labels.append(label->text());
  }
  EXPECT_EQ(labels, QStringList({"方向:", "角度:"}));
  EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(Find<QPushButton>(&dialog, 1)->isDefault());
  EXPECT_EQ(Find<QPushButton>(&dialog, 1)->text(), "确定");
  EXPECT_EQ(Find<QPushButton>(&dialog, 2)->text(), "取消");
  // Tab order: the template's.
  for (int id : {2, 1029, 1030, 1034, 1035, 1048, 1}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(&dialog, id)) << id;
  }
}

TEST_F(RotateTest, ClockwiseThirtyThenCounterClockwiseFortyFive) {
  SetAngleAndRelease(30);
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 5, 30}}));
  Click(counterClockwise);
  EXPECT_TRUE(counterClockwise->isChecked());
  EXPECT_TRUE(posted.Take().empty());  // the direction alone posts nothing at once
  SetAngleAndRelease(45);
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 4, 315}}));
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(RotateTest, DraggedAngleIsPostedAsTheSliderShowsIt) {
  const int reached = DragThumbTo(angle, 90);
  EXPECT_EQ(box->text(), QString::number(reached));
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 5, static_cast<std::uint32_t>(reached)}}));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST_F(RotateTest, PreviewOffCounterClockwiseThirtyOkPostsThreeThirty) {
  Click(preview);
  Click(counterClockwise);
  SetAngleAndRelease(30);
  EXPECT_TRUE(posted.Take().empty());
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 1, 330}}));
}

TEST_F(RotateTest, BackToZeroPostsZeroWhicheverDirection) {
  SetAngleAndRelease(40);
  Click(counterClockwise);
  EXPECT_EQ(DragThumbTo(angle, 0), 0);
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 5, 40}, {kRotate, 4, 0}}));
  // Zero is zero both ways: turning the direction back changes nothing to post.
  Click(clockwise);
  ClickThumb(angle);
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(RotateTest, ADirectionChangeAloneCountsAtTheNextReleaseAndAtOk) {
  SetAngleAndRelease(30);
  posted.Take();
  Click(counterClockwise);
  ClickThumb(angle);  // same slider angle, other direction: 330 differs from the 30 sent
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 4, 330}}));
  Click(clockwise);
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 0, 30}}));
}

TEST_F(RotateTest, TheSameClockwiseAngleByTheOtherWayIsNoChange) {
  SetAngleAndRelease(30);
  posted.Take();
  Click(counterClockwise);
  SetAngleAndRelease(330);  // counter-clockwise 330 is clockwise 30 again
  EXPECT_TRUE(posted.Take().empty());
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(RotateTest, ArrowKeysOnTheDirectionButtonsSwitchIt) {
  clockwise->setFocus();
  QTest::keyClick(clockwise, Qt::Key_Right);
  EXPECT_TRUE(counterClockwise->isChecked());
  EXPECT_FALSE(clockwise->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), counterClockwise);
  Click(counterClockwise);  // clicking the checked one leaves it checked
  EXPECT_TRUE(counterClockwise->isChecked());
  QTest::keyClick(counterClockwise, Qt::Key_Up);
  EXPECT_TRUE(clockwise->isChecked());
  QTest::keyClick(clockwise, Qt::Key_Left);  // round the group
  EXPECT_TRUE(counterClockwise->isChecked());
  EXPECT_FALSE(clockwise->isChecked());
  KeyTo(angle, 10);
  EXPECT_TRUE(posted.Take().empty());
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({{kRotate, 1, 350}}));
}

TEST_F(RotateTest, OkOrCancelStraightAwayPostNothing) {
  Click(Find<QPushButton>(&dialog, 2));
  EXPECT_TRUE(posted.Take().empty());
  CRotateDlg other;
  ShowDialog(other);
  Click(Find<QPushButton>(&other, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST(RotateAngle, CounterClockwiseAnglesCountFromAFullTurn) {
  EXPECT_EQ(CRotateDlg::ClockwiseAngle(0, 0), 0);
  EXPECT_EQ(CRotateDlg::ClockwiseAngle(359, 0), 359);
  EXPECT_EQ(CRotateDlg::ClockwiseAngle(0, 1), 0);
  EXPECT_EQ(CRotateDlg::ClockwiseAngle(1, 1), 359);
  EXPECT_EQ(CRotateDlg::ClockwiseAngle(359, 1), 1);
}

}  // namespace
}  // namespace vantoria::test
