// Catches dialogs with a wrong template, range, posted message or refusal, and broken previews.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QToolButton>

#include "dialogs/brightness_contrast_dlg.h"
#include "dialogs/hue_saturation_dlg.h"
#include "dialogs/mosaic_dlg.h"
#include "dialogs/rotate_dlg.h"
#include "dialogs/size_dlg.h"
#include "dialogs/spin_button.h"
#include "dialogs/threshold_dlg.h"
#include "dialogs/transparency_dlg.h"
#include "shell_fixture.h"

namespace vantoria::test {
namespace {

using namespace cmd;
using ops::OperationMessage;
using Messages = std::vector<OperationMessage>;
const OperationMessage kRestore{1124, 0, 0};

template <class Control = QWidget>
Control* Find(const QWidget* dialog, int id) {
  auto* control = dialog->findChild<Control*>(ControlName(id));
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}

// The thumb as QSlider's own style option places it (a pointer to its protected member).
struct SliderProbe : QSlider {
  static QRect Handle(const QSlider* slider) {
    QStyleOptionSlider option;
    (slider->*&SliderProbe::initStyleOption)(&option);
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                           slider);
  }
};
const auto HandleRect = SliderProbe::Handle;

// Presses on the thumb, drags it along the whole slider and lets go past the end where `end`,
// its minimum or maximum, lies. Returns the value shown at the release.
int DragThumbTo(QSlider* slider, int end) {
  const QPoint grip = HandleRect(slider).center();
  QTest::mousePress(slider, Qt::LeftButton, {}, grip);
  for (int x = -4; x <= slider->width() + 4; ++x) {
    QTest::mouseMove(slider, QPoint(x, grip.y()));
  }
  const QPoint release(end == slider->maximum() ? slider->width() + 4 : -4, grip.y());
  QTest::mouseMove(slider, release);
  QTest::mouseRelease(slider, Qt::LeftButton, {}, release);
  return slider->value();
}

void ClickThumb(QSlider* slider) {
  QTest::mouseClick(slider, Qt::LeftButton, {}, HandleRect(slider).center());
}

// Moves the slider to `value` with the arrow keys.
void KeyTo(QSlider* slider, int value) {
  slider->setFocus();
  for (int guard = 0; slider->value() != value && guard < 1000; ++guard) {
    QTest::keyClick(slider, slider->value() < value ? Qt::Key_Right : Qt::Key_Left);
  }
  EXPECT_EQ(slider->value(), value);
}

void Click(QWidget* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

void ShowDialog(QDialog& dialog) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

Messages Resize(int width, int height) {
  return {{1132, 1, std::uint32_t(width) | std::uint32_t(height) << 16}};
}

struct Place {
  int id;
  QRect rect;  // dialog units
  bool cornerOnly = false;
};

struct DialogCase {
  int command;
  std::function<std::unique_ptr<QDialog>()> make;
  QString title;
  QSize size;
  std::vector<Place> layout;
  QStringList labels;
  std::vector<int> tabOrder;  // after OK, ending back on OK
  std::vector<int> sliders;   // each followed by its box
  int minimum = 0, maximum = 0, previewBox = 0;
};

// clang-format off
const DialogCase kDialogs[] = {
    {ID_ADJUST_BRIGHTNESS_CONTRAST, [] { return std::make_unique<CBrightnessContrastDlg>(); },
     "亮度/对比度", {259, 82},
     {{1, {202, 7, 50, 14}}, {2, {202, 34, 50, 14}}, {1001, {44, 19, 100, 12}},
      {1002, {146, 21, 40, 12}}, {1003, {44, 44, 100, 12}}, {1045, {202, 58, 31, 10}}},
     {"对比度:", "亮度:"}, {2, 1001, 1002, 1003, 1004, 1045, 1}, {1001, 1003}, -100, 100, 1045},
    {ID_ADJUST_HSL, [] { return std::make_unique<CHueSaturationDlg>(); }, "色相/饱和度/明度",
     {259, 81}, {{1007, {44, 7, 100, 12}}, {1010, {146, 32, 40, 12}}, {1011, {44, 53, 100, 12}},
      {1046, {202, 58, 31, 10}}}, {"饱和度:", "色相:", "明度:"},
     {2, 1007, 1008, 1009, 1010, 1046, 1011, 1012, 1}, {1007, 1009, 1011}, -100, 100, 1046},
    {ID_ADJUST_TRANSPARENCY, [] { return std::make_unique<CTransparencyDlg>(); }, "透明度",
     {259, 82}, {{1014, {44, 33, 100, 12}}, {1015, {146, 35, 40, 12}}, {1050, {202, 59, 31, 10}}},
     {"透明度:"}, {2, 1014, 1015, 1050, 1}, {1014}, -100, 100, 1050},
    {ID_ADJUST_THRESHOLD, [] { return std::make_unique<CThresholdDlg>(); }, "二值化", {259, 82},
     {{1019, {44, 33, 100, 12}}, {1020, {146, 35, 40, 12}}, {1049, {202, 60, 31, 10}}},
     {"阀值:"}, {2, 1019, 1020, 1049, 1}, {1019}, 0, 255, 1049},
    {ID_IMAGE_ROTATE, [] { return std::make_unique<CRotateDlg>(); }, "旋转", {259, 82},
     {{1029, {44, 44, 100, 12}}, {1030, {146, 47, 40, 12}}, {1034, {65, 23, 38, 8}},
      {1035, {119, 23, 38, 8}}, {1048, {202, 59, 31, 10}}},
     {"方向:", "角度:"}, {2, 1029, 1030, 1034, 1035, 1048, 1}, {1029}, 0, 359, 1048},
    {ID_FILTER_MOSAIC, [] { return std::make_unique<CMosaicDlg>(); }, "马赛克", {182, 82},
     {{1, {125, 7, 50, 14}}, {1047, {125, 58, 31, 10}}, {1024, {59, 35, 40, 12}, true}},
     {"方块大小:"}, {2, 1047, 1024, 1}, {}, 0, 0, 1047},
    {ID_IMAGE_SIZE, [] { return std::make_unique<CSizeDlg>(QSize(640, 480)); }, "尺寸", {219, 55},
     {{1036, {48, 8, 40, 12}}, {1037, {48, 34, 40, 12}}, {1044, {95, 8, 48, 30}, true},
      {1045, {94, 34, 48, 30}, true}},
     {"宽度:", "高度:"}, {2, 1036, 1037, 1044, 1045, 1}, {}, 0, 0, 0},
};
// clang-format on

TEST(Dialogs, OpenWithTheirTemplateRangesAndFocusOnOkAndKeysNeverPreview) {
  PostedMessages posted;
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.title.toStdString());
    std::unique_ptr<QDialog> dialog = c.make();
    ShowDialog(*dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(dialog->windowTitle(), c.title);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(dialog->font().pointSize(), 10);
    const DialogUnits units(dialog->font());
    EXPECT_EQ(dialog->size(), units.Size(c.size.width(), c.size.height()));
    for (const Place& place : c.layout) {
      const QRect& r = place.rect;
      const QRect expected = units.Rect(r.x(), r.y(), r.width(), r.height());
      const QRect actual = Find(dialog.get(), place.id)->geometry();
      EXPECT_EQ(actual.topLeft(), expected.topLeft()) << place.id;
      EXPECT_TRUE(place.cornerOnly || actual == expected) << place.id;
    }
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
      labels.append(label->text());
    }
    EXPECT_EQ(labels, c.labels);
    auto* ok = Find<QPushButton>(dialog.get(), 1);
    const auto* cancel = Find<QPushButton>(dialog.get(), 2);
    EXPECT_EQ(std::tuple(ok->text(), ok->isDefault(), cancel->text(), cancel->isDefault()),
              std::tuple(QString("确定"), true, QString("取消"), false));
    if (c.previewBox) {
      EXPECT_EQ(Find<QCheckBox>(dialog.get(), c.previewBox)->text(), "预览");
      EXPECT_TRUE(Find<QCheckBox>(dialog.get(), c.previewBox)->isChecked());
    }
    for (int id : c.sliders) {
      const auto* slider = Find<QSlider>(dialog.get(), id);
      const auto* box = Find<QLineEdit>(dialog.get(), id + 1);
      EXPECT_EQ(std::pair(slider->minimum(), slider->maximum()), std::pair(c.minimum, c.maximum));
      EXPECT_EQ(std::tuple(slider->value(), slider->tickInterval(), slider->tickPosition(),
                           slider->orientation(), box->text(), box->isReadOnly()),
                std::tuple(0, 10, QSlider::TicksAbove, Qt::Horizontal, QString("0"), true));
    }
    EXPECT_EQ(QApplication::focusWidget(), ok);
    for (int id : c.tabOrder) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), Find(dialog.get(), id)) << id;
      // OK stays the default while no other button holds the focus.
      EXPECT_EQ(ok->isDefault(), id != 2) << id;
    }
    if (c.sliders.empty()) {
      continue;
    }
    // Keys move the box at once but never preview; Enter is OK, whose message opens the edit.
    auto* slider = Find<QSlider>(dialog.get(), c.sliders.back());
    auto* box = Find<QLineEdit>(dialog.get(), c.sliders.back() + 1);
    KeyTo(slider, 7);
    EXPECT_EQ(box->text(), "7");
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(box->text(), QString::number(c.maximum));
    KeyTo(slider, 7);
    EXPECT_TRUE(posted.Take().empty());
    QTest::keyClick(slider, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    const Messages messages = posted.Take();
    EXPECT_TRUE(messages.size() == 1 && messages[0].wParam == 1u);
  }
}

TEST(Dialogs, ClosedStraightAwayPostNothingButSizesOk) {
  PostedMessages posted;
  for (const DialogCase& c : kDialogs) {
    for (int way = 0; way < 4; ++way) {
      std::unique_ptr<QDialog> dialog = c.make();
      ShowDialog(*dialog);
      if (way < 2) {
        Click(Find(dialog.get(), way + 1));
      } else if (way == 2) {
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
      } else {
        dialog->close();
      }
      EXPECT_FALSE(dialog->isVisible());
      EXPECT_EQ(dialog->result(), way == 0 ? QDialog::Accepted : QDialog::Rejected);
      const bool posts = way == 0 && c.command == ID_IMAGE_SIZE;  // even unchanged
      EXPECT_EQ(posted.Take(), posts ? Resize(640, 480) : Messages())
          << c.title.toStdString() << way;
    }
  }
}

// One thing the user does, and the messages it must post.
struct Step {
  std::function<void(QDialog&)> act;
  Messages posts = {};
};

Step Key(int id, int value, Messages posts = {}) {
  return {[=](QDialog& d) { KeyTo(Find<QSlider>(&d, id), value); }, posts};
}
Step Drag(int id, int value, Messages posts = {}) {
  return {[=](QDialog& d) { EXPECT_EQ(DragThumbTo(Find<QSlider>(&d, id), value), value); }, posts};
}
Step Thumb(int id, Messages posts = {}) {
  return {[=](QDialog& d) { ClickThumb(Find<QSlider>(&d, id)); }, posts};
}
// A click in the channel right (+1) or left (-1) of the thumb.
Step Channel(int id, int side, Messages posts = {}) {
  return {[=](QDialog& d) {
            auto* slider = Find<QSlider>(&d, id);
            const QRect handle = HandleRect(slider);
            const int x = side > 0 ? (handle.right() + slider->width()) / 2 : handle.left() / 2;
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, handle.center().y()));
          },
          posts};
}
Step Tap(int id, Messages posts = {}) {
  return {[=](QDialog& d) { Click(Find(&d, id)); }, posts};
}
Step Press(Qt::Key key, Messages posts = {}) {
  return {[=](QDialog&) { QTest::keyClick(QApplication::focusWidget(), key); }, posts};
}
Step KeyOn(int id, Qt::Key key, Messages posts = {}) {
  return {[=](QDialog& d) {
            Find(&d, id)->setFocus();
            QTest::keyClick(Find(&d, id), key);
          },
          posts};
}
Step Close(Messages posts = {}) {
  return {[](QDialog& d) { d.close(); }, posts};
}
// Clicks on the mosaic's up arrow, or its down arrow when negative.
Step Spin(int clicks, Messages posts = {}) {
  return {[=](QDialog& d) {
            auto* spin = Find<SpinButton>(&d, 1025);
            for (int i = 0; i < std::abs(clicks); ++i) {
              Click(clicks > 0 ? spin->UpArrow() : spin->DownArrow());
            }
          },
          posts};
}
Step Text(int id, int value, Messages posts = {}) {
  return {[=](QDialog& d) { Find<QLineEdit>(&d, id)->setText(QString::number(value)); }, posts};
}

// Brightness and contrast post (b + 100) | (c + 100) << 8; wParam is the origin (2 the first
// control, 3 the second, 4 the third, 0 OK) shifted left once, plus 1 when it opens the step.
OperationMessage Bc(std::uint32_t wParam, int b, int c) {
  return {1125, wParam,
          static_cast<std::uint32_t>(b + 100) | static_cast<std::uint32_t>(c + 100) << 8};
}
OperationMessage Hsl(std::uint32_t wParam, std::uint32_t h, std::uint32_t s, std::uint32_t l) {
  return {1127, wParam, h | s << 8 | l << 16};
}

struct Script {
  const char* name;
  int dialog;  // its command
  std::vector<Step> steps;
};

// clang-format off
const Script kScripts[] = {
    {"drags preview with all values, OK lets the last stand", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Drag(1001, 100, {Bc(5, 100, 0)}), Drag(1003, -100, {Bc(6, 100, -100)}), Tap(1)}},
    {"exact keyed values sent by a click on the thumb", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Key(1001, 20), Thumb(1001, {Bc(5, 20, 0)}), Key(1003, -30), Thumb(1003, {Bc(6, 20, -30)}),
      Press(Qt::Key_Escape, {kRestore})}},
    {"channel clicks preview each new value", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Channel(1001, 1, {Bc(5, 10, 0)}), Channel(1001, -1, {Bc(4, 0, 0)}), Tap(2, {kRestore})}},
    {"release at the value last sent posts nothing", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Thumb(1001), Key(1001, 40), Thumb(1001, {Bc(5, 40, 0)}), Key(1003, 15), Thumb(1001),
      Tap(1, {Bc(0, 40, 15)})}},
    {"keyed contrast rides along", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Key(1003, -12), Key(1001, 60), Thumb(1001, {Bc(5, 60, -12)}),
      Press(Qt::Key_Enter, {Bc(0, 60, -12)})}},
    {"preview cleared first: a final that opens the edit", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Tap(1045), Drag(1001, -100), Channel(1003, 1), Tap(1, {Bc(1, -100, 10)})}},
    {"preview cleared by the space bar, then Cancel", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {KeyOn(1045, Qt::Key_Space), Drag(1001, 100), Tap(2)}},
    {"preview cleared after a preview: OK reruns", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Key(1001, 30), Thumb(1001, {Bc(5, 30, 0)}), Tap(1045), Key(1003, 25), Thumb(1003),
      Tap(1045), Tap(1045), Tap(1, {Bc(0, 30, 25)})}},
    {"ticking preview again governs the next release", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Tap(1045), Key(1001, 30), Thumb(1001), Tap(1045), Key(1003, -40),
      Thumb(1003, {Bc(7, 30, -40)})}},
    {"close box after a preview restores", ID_ADJUST_BRIGHTNESS_CONTRAST,
     {Key(1003, 50), Thumb(1003, {Bc(7, 0, 50)}), Close({kRestore})}},
    {"hue, saturation, lightness at the ends", ID_ADJUST_HSL,
     {Drag(1007, -100, {Hsl(5, 0, 100, 100)}), Drag(1009, -100, {Hsl(6, 0, 0, 100)}),
      Drag(1011, -100, {Hsl(8, 0, 0, 0)}), Drag(1011, 100, {Hsl(8, 0, 0, 200)}),
      Drag(1007, 100, {Hsl(4, 200, 0, 200)}), Drag(1009, 100, {Hsl(6, 200, 200, 200)}), Tap(1)}},
    {"keyed hue rides with saturation and OK", ID_ADJUST_HSL,
     {Key(1007, 50), Key(1009, -20), Thumb(1009, {Hsl(7, 150, 80, 100)}),
      Tap(1, {Hsl(0, 150, 80, 100)})}},
    {"transparency at the ends", ID_ADJUST_TRANSPARENCY,
     {Drag(1014, -100, {{1126, 5, 0}}), Drag(1014, 100, {{1126, 4, 200}}),
      Press(Qt::Key_Escape, {kRestore})}},
    {"threshold sends itself", ID_ADJUST_THRESHOLD,
     {Drag(1019, 255, {{1130, 5, 255}}), Key(1019, 40), Thumb(1019, {{1130, 4, 40}}),
      Drag(1019, 0, {{1130, 4, 0}}), Tap(1)}},
    {"rotate clockwise 30, then counter-clockwise 45", ID_IMAGE_ROTATE,
     {Key(1029, 30), Thumb(1029, {{1134, 5, 30}}), Tap(1035), Key(1029, 45),
      Thumb(1029, {{1134, 4, 315}}), Tap(1)}},
    {"rotate dragged to the end, Esc", ID_IMAGE_ROTATE,
     {Drag(1029, 359, {{1134, 5, 359}}), Press(Qt::Key_Escape, {kRestore})}},
    {"rotate without preview", ID_IMAGE_ROTATE,
     {Tap(1048), Tap(1035), Key(1029, 30), Thumb(1029), Tap(1, {{1134, 1, 330}})}},
    {"rotate back to zero either way", ID_IMAGE_ROTATE,
     {Key(1029, 40), Thumb(1029, {{1134, 5, 40}}), Tap(1035), Drag(1029, 0, {{1134, 4, 0}}),
      Tap(1034), Thumb(1029), Tap(1)}},
    {"rotate direction alone counts at release and OK", ID_IMAGE_ROTATE,
     {Key(1029, 30), Thumb(1029, {{1134, 5, 30}}), Tap(1035), Thumb(1029, {{1134, 4, 330}}),
      Tap(1034), Tap(1, {{1134, 0, 30}})}},
    {"rotate the same clockwise angle the other way", ID_IMAGE_ROTATE,
     {Key(1029, 30), Thumb(1029, {{1134, 5, 30}}), Tap(1035), Key(1029, 330), Thumb(1029),
      Press(Qt::Key_Return)}},
    {"rotate direction by arrow keys", ID_IMAGE_ROTATE,
     {KeyOn(1034, Qt::Key_Right), Tap(1035), KeyOn(1035, Qt::Key_Up), KeyOn(1034, Qt::Key_Left),
      Key(1029, 10), Tap(1, {{1134, 1, 350}})}},
    {"mosaic steps within 1..65535", ID_FILTER_MOSAIC,
     {Spin(-1), Spin(2, {{1139, 5, 2}, {1139, 4, 3}}), Spin(-3, {{1139, 4, 2}, {1139, 4, 1}}),
      Text(1024, 65534, {{1139, 4, 65534}}), Spin(3, {{1139, 4, 65535}}),
      Press(Qt::Key_Escape, {kRestore})}},
    {"mosaic without preview", ID_FILTER_MOSAIC, {Tap(1047), Spin(7), Tap(1, {{1139, 1, 8}})}},
    {"mosaic arrow keys in the box", ID_FILTER_MOSAIC,
     {KeyOn(1024, Qt::Key_Up, {{1139, 5, 2}}), KeyOn(1024, Qt::Key_Up, {{1139, 4, 3}}),
      KeyOn(1024, Qt::Key_Down, {{1139, 4, 2}})}},
    {"mosaic preview ticked again", ID_FILTER_MOSAIC,
     {Tap(1047), Spin(2), Tap(1047), Spin(1, {{1139, 5, 4}}), Tap(1)}},
};
// clang-format on

TEST(Dialogs, PostWhatEachStepCalls) {
  for (const Script& script : kScripts) {
    const auto c = std::find_if(std::begin(kDialogs), std::end(kDialogs),
                                [&](const DialogCase& d) { return d.command == script.dialog; });
    PostedMessages posted;
    std::unique_ptr<QDialog> dialog = c->make();
    ShowDialog(*dialog);
    for (std::size_t i = 0; i < script.steps.size(); ++i) {
      script.steps[i].act(*dialog);
      EXPECT_EQ(posted.Take(), script.steps[i].posts) << script.name << ", step " << i + 1;
    }
  }
}

TEST(Dialogs, OtherButtonsAndTypingNeverPreviewAndAHeldMosaicArrowStepsUntilReleased) {
  PostedMessages posted;
  CBrightnessContrastDlg dialog;
  ShowDialog(dialog);
  auto* brightness = Find<QSlider>(&dialog, 1001);
  QTest::mouseClick(brightness, Qt::RightButton, {}, HandleRect(brightness).center());
  QTest::mouseClick(brightness, Qt::MiddleButton, {}, QPoint(brightness->width() - 3, 6));
  EXPECT_EQ(brightness->value(), 0);
  CMosaicDlg mosaic;
  ShowDialog(mosaic);
  QTest::keyClicks(Find(&mosaic, 1024), "9");
  EXPECT_EQ(Find<QLineEdit>(&mosaic, 1024)->text(), "1");
  EXPECT_TRUE(posted.Take().empty());
  // The up-down control sits against the right edge of its box, which gives up the room.
  const QRect box = Find(&mosaic, 1024)->geometry();
  const QRect spin = Find(&mosaic, 1025)->geometry();
  EXPECT_EQ(spin.left(), box.right() + 1);
  EXPECT_EQ(spin.right(), DialogUnits(mosaic.font()).Rect(59, 35, 40, 12).right());
  EXPECT_EQ(spin.height(), box.height());
  // A held arrow repeats one step at a time until released, or until a message box shows.
  QToolButton* up = Find<SpinButton>(&mosaic, 1025)->UpArrow();
  QTest::mousePress(up, Qt::LeftButton);
  QTest::qWait(800);
  QTest::mouseRelease(up, Qt::LeftButton);
  const Messages messages = posted.Take();
  ASSERT_GE(messages.size(), 3u);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(messages[i], (OperationMessage{1139, i == 0 ? 5u : 4u, std::uint32_t(i + 2)}));
  }
  QTest::qWait(200);
  EXPECT_TRUE(posted.Take().empty()) << "released, it stops";
  QTest::mousePress(up, Qt::LeftButton);
  posted.Take();
  QMessageBox refusal(QMessageBox::Warning, "Vantoria", "refused");
  QTimer::singleShot(800, &refusal, &QDialog::accept);
  refusal.exec();
  QTest::qWait(200);
  EXPECT_TRUE(posted.Take().empty()) << "no step inside the box nor after it";
  QTest::mouseRelease(up, Qt::LeftButton);
}

const char* const kNotPositive = "图像的高度和宽度必须都大于零！";
const char* const kNotAnInteger = "请输入一个整数。";
const char* const kTooLarge = "图像的宽度不能超过65535，高度不能超过32767！";

class SizeDialogTest : public ::testing::Test {
 protected:
  std::unique_ptr<CSizeDlg> Open(std::optional<QSize> image = QSize(640, 480)) {
    auto dialog = std::make_unique<CSizeDlg>(image);
    ShowDialog(*dialog);
    return dialog;
  }
  // A box's text, or a unit list's item chosen with the keyboard.
  static void Enter(QDialog& dialog, int id, const QString& value) {
    if (auto* list = dialog.findChild<QComboBox*>(ControlName(id))) {
      list->setFocus();
      while (list->currentIndex() != value.toInt()) {
        QTest::keyClick(list, list->currentIndex() < value.toInt() ? Qt::Key_Down : Qt::Key_Up);
      }
      return;
    }
    auto* box = Find<QLineEdit>(&dialog, id);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, value);
  }

  PostedMessages posted;
  QStringList warnings;
  prompts::ScopedHooks hooks{WarningsTo(warnings)};
};

TEST_F(SizeDialogTest, OkPostsTheSizeOrRefusesWithTheReason) {
  const struct {
    QSize image;
    std::vector<std::pair<int, QString>> entries;  // 1036/1037 boxes, 1044/1045 unit lists
    std::optional<QSize> posted;
    const char* warning;
  } rows[] = {
      {{640, 480}, {{1044, "1"}, {1036, "50"}}, QSize(320, 480), nullptr},
      {{640, 480}, {{1036, "300"}, {1045, "1"}, {1037, "25"}}, QSize(300, 120), nullptr},
      {{101, 50}, {{1044, "1"}, {1036, "50"}, {1045, "1"}, {1037, "1"}}, QSize(50, 0), nullptr},
      {{640, 480}, {{1036, "-5x7"}}, QSize(57, 480), nullptr},  // digits only
      {{640, 480}, {{1036, "65535"}, {1037, "32767"}}, QSize(65535, 32767), nullptr},
      {{640, 480}, {{1037, ""}}, {}, kNotAnInteger},
      {{640, 480}, {{1036, "99999999999"}}, {}, kNotAnInteger},
      {{640, 480}, {{1036, "0"}}, {}, kNotPositive},
      {{640, 480}, {{1045, "1"}, {1037, "0"}}, {}, kNotPositive},
      {{640, 480}, {{1036, "65536"}}, {}, kTooLarge},
      {{640, 480}, {{1037, "32768"}}, {}, kTooLarge},
      {{640, 480}, {{1044, "1"}, {1036, "2147483647"}}, {}, kTooLarge},  // overflows 32 bits
  };
  for (const auto& row : rows) {
    const QString last = row.entries.back().second;
    SCOPED_TRACE(last.toStdString());
    warnings.clear();
    auto dialog = Open(row.image);
    for (const auto& [id, value] : row.entries) {
      Enter(*dialog, id, value);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter is OK
    const QSize size = row.posted.value_or(QSize());
    EXPECT_EQ(posted.Take(), row.posted ? Resize(size.width(), size.height()) : Messages());
    EXPECT_EQ(warnings, row.warning ? QStringList{row.warning} : QStringList{});
    EXPECT_EQ(dialog->isVisible(), row.warning != nullptr);
    if (row.warning == kNotAnInteger) {  // the refused box has the focus, its text selected
      EXPECT_EQ(QApplication::focusWidget(), Find(dialog.get(), row.entries.back().first));
      EXPECT_EQ(Find<QLineEdit>(dialog.get(), row.entries.back().first)->selectedText(), last);
    }
  }
}

TEST_F(SizeDialogTest, UnitListsResetTheNumberAndOpenWithoutAnImageRefuses) {
  auto dialog = Open();
  auto* width = Find<QLineEdit>(dialog.get(), 1036);
  auto* unit = Find<QComboBox>(dialog.get(), 1044);
  EXPECT_FALSE(unit->isEditable());
  EXPECT_EQ(QStringList({unit->itemText(0), unit->itemText(1)}), QStringList({"像素", "百分比"}));
  EXPECT_EQ(width->text(), "640");
  EXPECT_FALSE(width->isReadOnly());
  Enter(*dialog, 1044, "1");
  EXPECT_EQ(width->text(), "100");
  Enter(*dialog, 1036, "50");
  Enter(*dialog, 1044, "0");
  EXPECT_EQ(width->text(), "640");  // not 320
  Enter(*dialog, 1036, "123");
  unit->showPopup();  // pixels chosen again from the dropped list, though already chosen
  QAbstractItemView* list = unit->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(0, 0)).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(width->text(), "640");
  Enter(*dialog, 1045, "1");
  EXPECT_EQ(Find<QLineEdit>(dialog.get(), 1037)->text(), "100");

  dialog = Open(std::nullopt);
  EXPECT_EQ(Find<QLineEdit>(dialog.get(), 1036)->text(), "0");
  EXPECT_EQ(Find<QComboBox>(dialog.get(), 1045)->currentIndex(), -1);
  Click(Find(dialog.get(), 1));
  EXPECT_EQ(warnings, QStringList{kNotPositive});
  EXPECT_TRUE(posted.Take().empty());
}

class PreviewEndToEndTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    document = Documents().OpenDocumentFile(WriteImage("photo.png", 64, 48));
    ASSERT_NE(document, nullptr);
    QWidget* viewport = frame->GetActiveView()->viewport();
    const Region placed = PlaceImage(viewport->width(), viewport->height(), 64, 48);
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(placed.left + 10, placed.top + 8));
    QTest::mouseMove(viewport, QPoint(placed.left + 40, placed.top + 30));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(placed.left + 40, placed.top + 30));
    ASSERT_EQ(app->GetSelectionRect(), (Region{10, 8, 40, 30}));
    original = CloneImage(*document->GetImage());
  }

  // Lets the posted preview run; only the selected pixels differ from the original.
  void ExpectPreviewInsideOnly() const {
    QTest::qWait(50);
    const PixelImage& image = *document->GetImage();
    int changed = 0;
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        const bool inside = x >= 10 && x <= 40 && y >= 8 && y <= 30;
        changed += image.rows[y][x] != original->rows[y][x] ? 1 : 0;
        ASSERT_TRUE(inside || image.rows[y][x] == original->rows[y][x]) << x << "," << y;
      }
    }
    EXPECT_EQ(changed, 31 * 23);
  }
  std::size_t Steps() const { return document->GetHistory().count(); }

  CVantoriaDoc* document = nullptr;
  ImagePtr original;
};

TEST_F(PreviewEndToEndTest, TwoPreviewsThenOkLeaveOneStepWithTheLastPreviewsPixels) {
  ImagePtr firstPreview;
  ImagePtr lastPreview;
  RunDialog(ID_ADJUST_BRIGHTNESS_CONTRAST, [&](QDialog& dialog) {
    PaintCounter watcher(frame->GetActiveView()->viewport(),
                         [this] { return document->GetImageVersion(); });
    // The window behind the dialog shows each preview.
    auto painted = [&] {
      return std::exchange(watcher.paints, 0) > 0 && watcher.stamp == document->GetImageVersion();
    };
    DragThumbTo(Find<QSlider>(&dialog, 1001), 100);
    ExpectPreviewInsideOnly();
    EXPECT_EQ(Steps(), 1u);
    EXPECT_TRUE(painted());
    firstPreview = CloneImage(*document->GetImage());
    DragThumbTo(Find<QSlider>(&dialog, 1001), -100);
    ExpectPreviewInsideOnly();
    EXPECT_EQ(Steps(), 1u) << "the second preview reruns the same step";
    EXPECT_TRUE(painted());
    lastPreview = CloneImage(*document->GetImage());
    Click(Find(&dialog, 1));
  });
  ASSERT_TRUE(firstPreview && lastPreview);
  EXPECT_NE(firstPreview->rows[8][10], lastPreview->rows[8][10]);
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(ImagesEqual(*document->GetImage(), *lastPreview));
}

TEST_F(PreviewEndToEndTest, EveryDialogMenuItemOpensItsDialogOwnedByTheMainWindow) {
  for (const DialogCase& c : kDialogs) {
    RunDialog(c.command, [&](QDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), c.title);
      EXPECT_TRUE(dialog.isModal());
      EXPECT_EQ(dialog.parentWidget(), frame);
      if (c.command == ID_IMAGE_SIZE) {  // handed the picture's size
        EXPECT_EQ(Find<QLineEdit>(&dialog, 1037)->text(), "48");
      }
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
  }
  EXPECT_EQ(Steps(), 0u);
  EXPECT_TRUE(ImagesEqual(*document->GetImage(), *original));
  EXPECT_TRUE(warnings.isEmpty());
}

}  // namespace
}  // namespace vantoria::test
