// Catches slider dialogs with a wrong title, layout, range, label or tab order, and a wrong
// message, wParam bit or packing from their sliders, preview box, OK, Cancel, Esc and close box.
#include <QLabel>
#include <QSlider>

#include "dialogs/brightness_contrast_dlg.h"
#include "dialogs/hue_saturation_dlg.h"
#include "dialogs/threshold_dlg.h"
#include "dialogs/transparency_dlg.h"
#include "dialogs_driver.h"

namespace vantoria::test {
namespace {

constexpr std::uint32_t kBrightnessContrast = 1125;
constexpr std::uint32_t kTransparency = 1126;
constexpr std::uint32_t kHsl = 1127;
constexpr std::uint32_t kBinarize = 1130;
const OperationMessage kRestore{1124, 0, 0};

std::uint32_t Offset(int value) {
  return static_cast<std::uint32_t>(value + 100);
}

// --- what each dialog shows when it opens ---

struct Layout {
  int id;
  QRect rect;  // dialog units, as the dialog's template gives them (not read from the code)
};

struct SliderDialogCase {
  const char* name;
  std::function<std::unique_ptr<QDialog>()> make;
  QString title;
  QSize size;
  std::vector<int> sliders;  // in tab order, each followed by its box
  int previewBox;
  int minimum;
  int maximum;
  QStringList labels;
  std::vector<Layout> layout;
  std::vector<int> tabOrder;  // after OK, back to OK at the end
};

std::vector<SliderDialogCase> Cases() {
  return {
      {"BrightnessContrast",
       [] { return std::make_unique<CBrightnessContrastDlg>(); },
       "亮度/对比度",
       {259, 82},
       {1001, 1003},
       1045,
       -100,
       100,
       {"对比度:", "亮度:"},
       {{1, {202, 7, 50, 14}},
        {2, {202, 34, 50, 14}},
        {1001, {44, 19, 100, 12}},
        {1002, {146, 21, 40, 12}},
        {1003, {44, 44, 100, 12}},
        {1004, {146, 47, 40, 12}},
        {1045, {202, 58, 31, 10}}},
       {2, 1001, 1002, 1003, 1004, 1045}},
      {"HueSaturation",
       [] { return std::make_unique<CHueSaturationDlg>(); },
       "色相/饱和度/明度",
       {259, 81},
       {1007, 1009, 1011},
       1046,
       -100,
       100,
       {"饱和度:", "色相:", "明度:"},
       {{1007, {44, 7, 100, 12}},
        {1010, {146, 32, 40, 12}},
        {1011, {44, 53, 100, 12}},
        {1046, {202, 58, 31, 10}}},
       {2, 1007, 1008, 1009, 1010, 1046, 1011, 1012}},
      {"Transparency",
       [] { return std::make_unique<CTransparencyDlg>(); },
       "透明度",
       {259, 82},
       {1014},
       1050,
       -100,
       100,
       {"透明度:"},
       {{1014, {44, 33, 100, 12}}, {1015, {146, 35, 40, 12}}, {1050, {202, 59, 31, 10}}},
       {2, 1014, 1015, 1050}},
      {"Threshold",
       [] { return std::make_unique<CThresholdDlg>(); },
       "二值化",
       {259, 82},
       {1019},
       1049,
       0,
       255,
       {"阀值:"},
       {{1019, {44, 33, 100, 12}}, {1020, {146, 35, 40, 12}}, {1049, {202, 60, 31, 10}}},
       {2, 1019, 1020, 1049}},
  };
}

class SliderDialogOpens : public ::testing::TestWithParam<SliderDialogCase> {};

TEST_P(SliderDialogOpens, WithItsTextsLayoutRangesAndFocus) {
  const SliderDialogCase& c = GetParam();
  std::unique_ptr<QDialog> dialog = c.make();
  ShowDialog(*dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  EXPECT_EQ(dialog->windowTitle(), c.title);
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
  const DialogUnits units(dialog->font());
  EXPECT_EQ(dialog->font().pointSize(), 10);
  EXPECT_EQ(dialog->size(), units.Size(c.size.width(), c.size.height()));
  for (const Layout& control : c.layout) {
    const QRect& r = control.rect;
    EXPECT_EQ(Find<QWidget>(dialog.get(), control.id)->geometry(),
              units.Rect(r.x(), r.y(), r.width(), r.height()))
        << control.id;
  }

  auto* ok = Find<QPushButton>(dialog.get(), 1);
  auto* cancel = Find<QPushButton>(dialog.get(), 2);
  EXPECT_EQ(ok->text(), "确定");
  EXPECT_EQ(cancel->text(), "取消");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(cancel->isDefault());
  auto* preview = Find<QCheckBox>(dialog.get(), c.previewBox);
  EXPECT_EQ(preview->text(), "预览");
  EXPECT_TRUE(preview->isChecked());
  QStringList labels;
  for (const QLabel* label : dialog->findChildren<QLabel*>()) {
    labels.append(label->text());
  }
  EXPECT_EQ(labels, c.labels);

  for (int id : c.sliders) {
    auto* slider = Find<QSlider>(dialog.get(), id);
    auto* box = Find<QLineEdit>(dialog.get(), id + 1);
    EXPECT_EQ(slider->minimum(), c.minimum);
    EXPECT_EQ(slider->maximum(), c.maximum);
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->tickInterval(), 10);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksAbove);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->text(), "0");
  }

  // Focus starts on OK; Tab then visits the controls in template order and comes round.
  EXPECT_EQ(QApplication::focusWidget(), ok);
  std::vector<int> order = c.tabOrder;
  order.push_back(1);
  for (int id : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(dialog.get(), id)) << id;
  }
}

TEST_P(SliderDialogOpens, OkCancelEscAndCloseStraightAwayPostNothing) {
  PostedMessages posted;
  for (int way = 0; way < 4; ++way) {
    std::unique_ptr<QDialog> dialog = GetParam().make();
    ShowDialog(*dialog);
    switch (way) {
      case 0:
        Click(Find<QPushButton>(dialog.get(), 1));
        break;
      case 1:
        Click(Find<QPushButton>(dialog.get(), 2));
        break;
      case 2:
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        break;
      default:
        dialog->close();
    }
    EXPECT_FALSE(dialog->isVisible()) << way;
    EXPECT_EQ(dialog->result(), way == 0 ? QDialog::Accepted : QDialog::Rejected) << way;
    EXPECT_TRUE(posted.Take().empty()) << way;
  }
}

TEST_P(SliderDialogOpens, KeyboardMovesTheBoxAtOnceWithoutPreviewAndOkSendsIt) {
  PostedMessages posted;
  std::unique_ptr<QDialog> dialog = GetParam().make();
  ShowDialog(*dialog);
  const int id = GetParam().sliders.back();
  auto* slider = Find<QSlider>(dialog.get(), id);
  KeyTo(slider, 7);
  EXPECT_EQ(Find<QLineEdit>(dialog.get(), id + 1)->text(), "7");
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_EQ(Find<QLineEdit>(dialog.get(), id + 1)->text(), QString::number(GetParam().maximum));
  KeyTo(slider, 7);
  EXPECT_TRUE(posted.Take().empty());
  QTest::keyClick(slider, Qt::Key_Return);  // Enter is OK
  EXPECT_FALSE(dialog->isVisible());
  const Messages messages = posted.Take();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].wParam, 1u);  // no preview: the final message opens the edit
}

INSTANTIATE_TEST_SUITE_P(All, SliderDialogOpens, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- brightness and contrast: the protocol in detail ---

class BrightnessContrastTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowDialog(dialog);
    brightness = Find<QSlider>(&dialog, 1001);
    contrast = Find<QSlider>(&dialog, 1003);
    preview = Find<QCheckBox>(&dialog, 1045);
  }
  OperationMessage Message(std::uint32_t wParam, int b, int c) const {
    return {kBrightnessContrast, wParam, Offset(b) | Offset(c) << 8};
  }

  PostedMessages posted;
  CBrightnessContrastDlg dialog;
  QSlider* brightness = nullptr;
  QSlider* contrast = nullptr;
  QCheckBox* preview = nullptr;
};

TEST_F(BrightnessContrastTest, DragsPreviewWithAllValuesThenOkLetsTheLastPreviewStand) {
  const int b = DragThumbTo(brightness, 20);
  EXPECT_NE(b, 0);
  EXPECT_EQ(Find<QLineEdit>(&dialog, 1002)->text(), QString::number(b));
  EXPECT_EQ(posted.Take(), Messages({Message(5, b, 0)}));
  const int c = DragThumbTo(contrast, -30);
  EXPECT_EQ(posted.Take(), Messages({Message(6, b, c)}));
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(BrightnessContrastTest, ExactValuesFromKeyboardAreSentByAClickOnTheThumb) {
  KeyTo(brightness, 20);
  ClickThumb(brightness);
  EXPECT_EQ(posted.Take(), Messages({{1125, 5, 120 | 100 << 8}}));
  KeyTo(contrast, -30);
  ClickThumb(contrast);
  EXPECT_EQ(posted.Take(), Messages({{1125, 6, 120 | 70 << 8}}));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST_F(BrightnessContrastTest, ChannelClicksPreviewEachNewValue) {
  ClickChannel(brightness, true);
  const int first = brightness->value();
  EXPECT_GT(first, 0);
  ClickChannel(brightness, false);
  const int second = brightness->value();
  EXPECT_LT(second, first);
  EXPECT_EQ(posted.Take(), Messages({Message(5, first, 0), Message(4, second, 0)}));
  Click(Find<QPushButton>(&dialog, 2));
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST_F(BrightnessContrastTest, ReleaseAtTheValueThisSliderLastSentPostsNothing) {
  ClickThumb(brightness);  // still 0, the value before any preview
  EXPECT_TRUE(posted.Take().empty());
  const int b = DragThumbTo(brightness, 40);
  posted.Take();
  KeyTo(contrast, 15);  // another slider moves meanwhile
  ClickThumb(brightness);
  EXPECT_TRUE(posted.Take().empty());
  // The contrast was never sent: OK sends it, into the edit the preview opened.
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({Message(0, b, 15)}));
}

TEST_F(BrightnessContrastTest, KeyboardContrastRidesAlongWithTheNextBrightnessPreview) {
  KeyTo(contrast, -12);
  const int b = DragThumbTo(brightness, 60);
  EXPECT_EQ(posted.Take(), Messages({Message(5, b, -12)}));
  // The contrast's own last-sent value is still 0, so OK sends the same values again.
  QTest::keyClick(&dialog, Qt::Key_Enter);
  EXPECT_EQ(posted.Take(), Messages({Message(0, b, -12)}));
}

TEST_F(BrightnessContrastTest, PreviewClearedFirstMeansNoPreviewsAndAFinalThatOpensTheEdit) {
  Click(preview);
  EXPECT_FALSE(preview->isChecked());
  const int b = DragThumbTo(brightness, -50);
  ClickChannel(contrast, true);
  EXPECT_TRUE(posted.Take().empty());
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({Message(1, b, contrast->value())}));
}

TEST_F(BrightnessContrastTest, PreviewClearedFirstThenCancelPostsNothing) {
  QTest::keyClick(preview, Qt::Key_Space);  // the space bar clicks the box too
  EXPECT_FALSE(preview->isChecked());
  DragThumbTo(brightness, 30);
  Click(Find<QPushButton>(&dialog, 2));
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(BrightnessContrastTest, PreviewClearedAfterAPreviewOkRerunsTheEdit) {
  const int b = DragThumbTo(brightness, 30);
  posted.Take();
  Click(preview);
  const int c = DragThumbTo(contrast, 25);
  EXPECT_TRUE(posted.Take().empty());
  // Ticking it again takes nothing back and sends nothing by itself.
  Click(preview);
  Click(preview);
  EXPECT_TRUE(posted.Take().empty());
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_EQ(posted.Take(), Messages({Message(0, b, c)}));
}

TEST_F(BrightnessContrastTest, TickingPreviewAgainGovernsTheNextRelease) {
  Click(preview);
  DragThumbTo(brightness, 30);
  Click(preview);
  const int c = DragThumbTo(contrast, -40);
  EXPECT_EQ(posted.Take(), Messages({Message(7, brightness->value(), c)}));
}

TEST_F(BrightnessContrastTest, CloseBoxAfterAPreviewRestores) {
  DragThumbTo(contrast, 50);
  posted.Take();
  dialog.close();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST_F(BrightnessContrastTest, OtherMouseButtonsAndTheWheelNeverPreview) {
  QTest::mouseClick(brightness, Qt::RightButton, {}, HandleRect(brightness).center());
  QTest::mouseClick(brightness, Qt::MiddleButton, {}, QPoint(brightness->width() - 3, 6));
  EXPECT_TRUE(posted.Take().empty());
  EXPECT_EQ(brightness->value(), 0);
}

// --- the other three: packing at the ends of the ranges ---

TEST(HueSaturationDialog, AllAtTheEndsPackIntoThreeBytes) {
  PostedMessages posted;
  CHueSaturationDlg dialog;
  ShowDialog(dialog);
  auto* hue = Find<QSlider>(&dialog, 1007);
  auto* saturation = Find<QSlider>(&dialog, 1009);
  auto* lightness = Find<QSlider>(&dialog, 1011);
  EXPECT_EQ(DragThumbTo(hue, -100), -100);
  EXPECT_EQ(DragThumbTo(saturation, -100), -100);
  EXPECT_EQ(DragThumbTo(lightness, -100), -100);
  EXPECT_EQ(posted.Take(),
            Messages({{kHsl, 5, 0 | 100u << 8 | 100u << 16}, {kHsl, 6, 100u << 16}, {kHsl, 8, 0}}));
  EXPECT_EQ(DragThumbTo(lightness, 100), 100);
  EXPECT_EQ(DragThumbTo(hue, 100), 100);
  EXPECT_EQ(DragThumbTo(saturation, 100), 100);
  EXPECT_EQ(posted.Take(), Messages({{kHsl, 8, 200u << 16},
                                     {kHsl, 4, 200 | 200u << 16},
                                     {kHsl, 6, 200 | 200u << 8 | 200u << 16}}));
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

TEST(HueSaturationDialog, KeyedHueRidesWithTheSaturationPreviewAndOk) {
  PostedMessages posted;
  CHueSaturationDlg dialog;
  ShowDialog(dialog);
  KeyTo(Find<QSlider>(&dialog, 1007), 50);
  KeyTo(Find<QSlider>(&dialog, 1009), -20);
  ClickThumb(Find<QSlider>(&dialog, 1009));
  EXPECT_EQ(posted.Take(), Messages({{kHsl, 7, 150 | 80 << 8 | 100 << 16}}));
  Click(Find<QPushButton>(&dialog, 1));  // the hue was never sent by its own slider
  EXPECT_EQ(posted.Take(), Messages({{kHsl, 0, 150 | 80 << 8 | 100 << 16}}));
}

TEST(TransparencyDialog, EndsOfTheRangeGiveZeroAndTwoHundred) {
  PostedMessages posted;
  CTransparencyDlg dialog;
  ShowDialog(dialog);
  auto* slider = Find<QSlider>(&dialog, 1014);
  EXPECT_EQ(DragThumbTo(slider, -100), -100);
  EXPECT_EQ(DragThumbTo(slider, 100), 100);
  EXPECT_EQ(posted.Take(), Messages({{kTransparency, 5, 0}, {kTransparency, 4, 200}}));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(posted.Take(), Messages({kRestore}));
}

TEST(ThresholdDialog, StartsAtTheLeftEndAndSendsTheThresholdItself) {
  PostedMessages posted;
  CThresholdDlg dialog;
  ShowDialog(dialog);
  auto* slider = Find<QSlider>(&dialog, 1019);
  EXPECT_LT(HandleRect(slider).center().x(), slider->width() / 4);
  EXPECT_EQ(DragThumbTo(slider, 255), 255);
  EXPECT_EQ(posted.Take(), Messages({{kBinarize, 5, 255}}));
  KeyTo(slider, 40);
  ClickThumb(slider);
  EXPECT_EQ(DragThumbTo(slider, 0), 0);
  EXPECT_EQ(posted.Take(), Messages({{kBinarize, 4, 40}, {kBinarize, 4, 0}}));
  Click(Find<QPushButton>(&dialog, 1));
  EXPECT_TRUE(posted.Take().empty());
}

}  // namespace
}  // namespace vantoria::test
