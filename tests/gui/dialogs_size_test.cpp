// Catches wrong size boxes, unit lists and percentage arithmetic, a refusal missed (zero, empty,
// too large) and a resize message packed wrongly.
#include <QAbstractItemView>
#include <QLabel>

#include "dialogs/size_dlg.h"
#include "dialogs_driver.h"
#include "shell_fixture.h"

namespace vantoria::test {
namespace {

constexpr std::uint32_t kResize = 1132;
const char* const kNotPositive = "图像的高度和宽度必须都大于零！";
const char* const kNotAnInteger = "请输入一个整数。";

OperationMessage Resize(std::uint32_t width, std::uint32_t height) {
  return {kResize, 1, width | height << 16};
}

class SizeDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    if (openImage) {
      ASSERT_NE(Documents().OpenDocumentFile(WriteImage("size.png", 640, 480)), nullptr);
    }
    posted = std::make_unique<PostedMessages>();
    Open();
  }
  void TearDown() override {
    dialog.reset();
    posted.reset();
    ShellTest::TearDown();
  }
  // The dialog for a picture of `imageSize`, as its opener hands it over.
  void Open(QSize imageSize = {640, 480}) {
    dialog = std::make_unique<CSizeDlg>(openImage ? std::optional(imageSize) : std::nullopt, frame);
    ShowDialog(*dialog);
    width = Find<QLineEdit>(dialog.get(), 1036);
    height = Find<QLineEdit>(dialog.get(), 1037);
    widthUnit = Find<QComboBox>(dialog.get(), 1044);
    heightUnit = Find<QComboBox>(dialog.get(), 1045);
  }
  // Chooses a unit with the keyboard, as in a closed list: Down for the next, Up for the
  // previous item.
  static void ChooseUnit(QComboBox* list, int index) {
    list->setFocus();
    while (list->currentIndex() != index) {
      QTest::keyClick(list, list->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    }
  }
  // Chooses an item from the dropped list with the mouse, even the one already chosen.
  static void PickFromList(QComboBox* list, int index) {
    list->showPopup();
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QCoreApplication::processEvents();
  }
  static void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
  }
  void Ok() { Click(Find<QPushButton>(dialog.get(), 1)); }

  bool openImage = true;
  std::unique_ptr<PostedMessages> posted;
  std::unique_ptr<CSizeDlg> dialog;
  QLineEdit* width = nullptr;
  QLineEdit* height = nullptr;
  QComboBox* widthUnit = nullptr;
  QComboBox* heightUnit = nullptr;
};

TEST_F(SizeDialogTest, OpensWithTheImageSizeInPixelsAndOkPostsItEvenUnchanged) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  EXPECT_EQ(dialog->windowTitle(), "尺寸");
  const DialogUnits units(dialog->font());
  EXPECT_EQ(dialog->size(), units.Size(219, 55));
  EXPECT_EQ(width->geometry(), units.Rect(48, 8, 40, 12));
  EXPECT_EQ(height->geometry(), units.Rect(48, 34, 40, 12));
  EXPECT_EQ(widthUnit->geometry().topLeft(), units.Rect(95, 8, 48, 30).topLeft());
  EXPECT_EQ(heightUnit->geometry().topLeft(), units.Rect(94, 34, 48, 30).topLeft());
  EXPECT_EQ(width->text(), "640");
  EXPECT_EQ(height->text(), "480");
  EXPECT_FALSE(width->isReadOnly());
  for (QComboBox* list : {widthUnit, heightUnit}) {
    EXPECT_FALSE(list->isEditable());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "像素");
    EXPECT_EQ(list->itemText(1), "百分比");
    EXPECT_EQ(list->currentIndex(), 0);
  }
  QStringList labels;
  for (const QLabel* label : dialog->findChildren<QLabel*>()) {
    labels.append(label->text());
  }
  EXPECT_EQ(labels, QStringList({"宽度:", "高度:"}));
  auto* ok = Find<QPushButton>(dialog.get(), 1);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), ok);
  for (int id : {2, 1036, 1037, 1044, 1045, 1}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(dialog.get(), id)) << id;
  }
  EXPECT_TRUE(posted->Take().empty());
  Ok();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(posted->Take(), Messages({Resize(640, 480)}));
}

TEST_F(SizeDialogTest, PercentShowsHundredAndFiftyPercentHalvesTheWidth) {
  ChooseUnit(widthUnit, 1);
  EXPECT_EQ(width->text(), "100");
  EXPECT_EQ(height->text(), "480");
  Type(width, "50");
  QTest::keyClick(width, Qt::Key_Return);  // Enter is OK
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(posted->Take(), Messages({Resize(320, 480)}));
}

TEST_F(SizeDialogTest, AUnitChangeResetsTheNumberRatherThanConvertingIt) {
  ChooseUnit(widthUnit, 1);
  Type(width, "50");
  ChooseUnit(widthUnit, 0);
  EXPECT_EQ(width->text(), "640");  // not 320
  Type(width, "123");
  PickFromList(widthUnit, 0);  // choosing pixels again, though already chosen
  EXPECT_EQ(width->text(), "640");
  ChooseUnit(heightUnit, 1);
  EXPECT_EQ(height->text(), "100");
  ChooseUnit(heightUnit, 0);
  EXPECT_EQ(height->text(), "480");
}

TEST_F(SizeDialogTest, TypedWidthSurvivesAChangeOfTheHeightUnitAndUnitsMix) {
  Type(width, "300");
  ChooseUnit(heightUnit, 1);
  EXPECT_EQ(width->text(), "300");
  Type(height, "25");
  Ok();
  EXPECT_EQ(posted->Take(), Messages({Resize(300, 120)}));
}

TEST_F(SizeDialogTest, PercentagesTruncate) {
  Open({101, 50});
  EXPECT_EQ(width->text(), "101");
  ChooseUnit(widthUnit, 1);
  Type(width, "50");
  ChooseUnit(heightUnit, 1);
  Type(height, "1");
  Ok();
  // 50 % of 101 is 50; 1 % of 50 is 0, posted as it is (the application ignores it).
  EXPECT_EQ(posted->Take(), Messages({Resize(50, 0)}));
}

TEST_F(SizeDialogTest, EmptyBoxIsRefusedWithTheFocusOnIt) {
  Type(height, "");
  Ok();
  EXPECT_EQ(warnings, QStringList({kNotAnInteger}));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), height);
  EXPECT_TRUE(posted->Take().empty());
  Type(height, "20");
  Ok();
  EXPECT_EQ(posted->Take(), Messages({Resize(640, 20)}));
}

TEST_F(SizeDialogTest, NumberBeyondAnIntegerIsNoInteger) {
  Type(width, "99999999999");
  Ok();
  EXPECT_EQ(warnings, QStringList({kNotAnInteger}));
  EXPECT_EQ(QApplication::focusWidget(), width);
  EXPECT_EQ(width->selectedText(), "99999999999");
  EXPECT_TRUE(posted->Take().empty());
}

TEST_F(SizeDialogTest, ZeroIsRefusedAndTheNumbersStay) {
  Type(width, "0");
  Ok();
  EXPECT_EQ(warnings, QStringList({kNotPositive}));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(width->text(), "0");
  EXPECT_EQ(height->text(), "480");
  // The check is on the numbers as entered: 0 percent is refused the same way.
  ChooseUnit(heightUnit, 1);
  Type(width, "10");
  Type(height, "0");
  Ok();
  EXPECT_EQ(warnings.size(), 2);
  EXPECT_TRUE(posted->Take().empty());
}

TEST_F(SizeDialogTest, SizesTheMessageCannotCarryAreRefused) {
  Type(width, "65536");
  Ok();
  Type(width, "65535");
  Type(height, "32768");
  Ok();
  ChooseUnit(widthUnit, 1);
  Type(width, "2147483647");  // the percentage of it would overflow 32 bits
  Type(height, "32767");
  Ok();
  EXPECT_EQ(warnings.size(), 3);
  for (const QString& text : warnings) {
    EXPECT_NE(text, kNotPositive);
    EXPECT_NE(text, kNotAnInteger);
  }
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(posted->Take().empty());
  ChooseUnit(widthUnit, 0);
  Type(width, "65535");
  Ok();
  EXPECT_EQ(posted->Take(), Messages({Resize(65535, 32767)}));
}

TEST_F(SizeDialogTest, BoxesTakeDigitsOnly) {
  Type(width, "-5x7");
  EXPECT_EQ(width->text(), "57");
}

TEST_F(SizeDialogTest, CancelAndEscPostNothingWhateverWasEntered) {
  Type(width, "10");
  ChooseUnit(heightUnit, 1);
  Click(Find<QPushButton>(dialog.get(), 2));
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  Open();
  Type(height, "0");
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(posted->Take().empty());
  EXPECT_TRUE(warnings.isEmpty());
}

class SizeDialogWithoutImageTest : public SizeDialogTest {
 protected:
  void SetUp() override {
    openImage = false;
    SizeDialogTest::SetUp();
  }
};

TEST_F(SizeDialogWithoutImageTest, ShowsZerosNoUnitAndRefusesOk) {
  EXPECT_EQ(width->text(), "0");
  EXPECT_EQ(height->text(), "0");
  EXPECT_EQ(widthUnit->currentIndex(), -1);
  EXPECT_EQ(heightUnit->currentIndex(), -1);
  EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(dialog.get(), 1));
  Ok();
  EXPECT_EQ(warnings, QStringList({kNotPositive}));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(posted->Take().empty());
}

TEST(SizeArithmetic, PercentOfTheReferenceTruncatesAndNeverOverflows) {
  EXPECT_EQ(CSizeDlg::PixelSize(50, true, 101), 50);
  EXPECT_EQ(CSizeDlg::PixelSize(1, true, 50), 0);
  EXPECT_EQ(CSizeDlg::PixelSize(150, true, 640), 960);
  EXPECT_EQ(CSizeDlg::PixelSize(777, false, 640), 777);
  EXPECT_EQ(CSizeDlg::PixelSize(2147483647, true, 40000), 858993458800LL);
}

}  // namespace
}  // namespace vantoria::test
