// Catches dialogs, dispatcher and view failing together: a preview that does not reach the active
// picture or repaint it, OK leaving more than one step, Cancel or Esc leaving a change.
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <functional>

#include "dialogs/brightness_contrast_dlg.h"
#include "dialogs/rotate_dlg.h"
#include "dialogs/size_dlg.h"
#include "dialogs_driver.h"
#include "res/command_ids.h"
#include "shell_fixture.h"
#include "view/view_private.h"

namespace vantoria::test {
namespace {

using namespace cmd;

constexpr int kImageWidth = 64;
constexpr int kImageHeight = 48;

bool SameImage(const PixelImage& a, const PixelImage& b) {
  return a.width == b.width && a.height == b.height &&
         std::memcmp(a.pixels(), b.pixels(), a.byteSize()) == 0;
}

bool Inside(const Region& region, int x, int y) {
  return x >= region.left && x <= region.right && y >= region.top && y <= region.bottom;
}

// Counts the paints of a widget and remembers the document's image version at the last one.
class PaintWatcher : public QObject {
 public:
  PaintWatcher(QWidget* widget, const CVantoriaDoc* document) : m_document(document) {
    widget->installEventFilter(this);
  }
  int paints = 0;
  std::uint64_t paintedVersion = 0;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      paintedVersion = m_document->GetImageVersion();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const CVantoriaDoc* m_document;
};

class PreviewEndToEndTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    document = Documents().OpenDocumentFile(WriteImage("photo.png", kImageWidth, kImageHeight));
    ASSERT_NE(document, nullptr);
    view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    SelectRegion();
    original = CloneImage(*document->GetImage());
  }

  // Drags a rubber band over part of the image, as the user selects.
  void SelectRegion() {
    QWidget* viewport = view->viewport();
    const Region placed =
        PlaceImage(viewport->width(), viewport->height(), kImageWidth, kImageHeight);
    const QPoint from(placed.left + 10, placed.top + 8);
    const QPoint to(placed.left + 40, placed.top + 30);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, (from + to) / 2);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    const std::optional<Region> selection = view->GetSelectionRect();
    ASSERT_TRUE(selection.has_value());
    ASSERT_LT(selection->width(), kImageWidth);
    ASSERT_LT(selection->height(), kImageHeight);
    region = *selection;
  }

  // Chooses the menu item; `drive` works the dialog from inside its modal loop and must
  // close it.
  template <class Dialog>
  void RunDialog(int id, const std::function<void(Dialog&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, frame, [&] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "command " << id << " opened no dialog of the expected kind";
        if (QWidget* other = QApplication::activeModalWidget()) {
          other->close();
        }
        return;
      }
      driven = true;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
      drive(*dialog);
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->done(QDialog::Rejected);
      }
    });
    Trigger(id);
    EXPECT_TRUE(driven);
  }

  // Lets the posted preview run and the window behind the dialog repaint.
  void SettlePreview() { QTest::qWait(50); }

  // Only the selected pixels differ from the original.
  void ExpectChangedInsideOnly(const PixelImage& image) const {
    ASSERT_EQ(image.width, kImageWidth);
    ASSERT_EQ(image.height, kImageHeight);
    int changedInside = 0;
    for (int y = 0; y < kImageHeight; ++y) {
      for (int x = 0; x < kImageWidth; ++x) {
        const bool changed = image.rows[y][x] != original->rows[y][x];
        if (Inside(region, x, y)) {
          changedInside += changed ? 1 : 0;
        } else {
          ASSERT_FALSE(changed) << x << "," << y;
        }
      }
    }
    EXPECT_EQ(changedInside, region.width() * region.height());
  }

  std::size_t Steps() const { return document->GetHistory().count(); }

  CVantoriaDoc* document = nullptr;
  CVantoriaView* view = nullptr;
  Region region;
  ImagePtr original;
};

TEST_F(PreviewEndToEndTest, TwoPreviewsThenOkLeaveOneStepWithTheLastPreviewsPixels) {
  ImagePtr lastPreview;
  RunDialog<CBrightnessContrastDlg>(
      ID_ADJUST_BRIGHTNESS_CONTRAST, [&](CBrightnessContrastDlg& dialog) {
        auto* brightness = Find<QSlider>(&dialog, 1001);
        PaintWatcher watcher(view->viewport(), document);
        DragThumbTo(brightness, 30);
        SettlePreview();
        ASSERT_TRUE(dialog.isVisible());
        ExpectChangedInsideOnly(*document->GetImage());
        EXPECT_EQ(Steps(), 1u);
        // The image window behind the modal dialog has painted the previewed picture.
        EXPECT_GT(watcher.paints, 0);
        EXPECT_EQ(watcher.paintedVersion, document->GetImageVersion());
        const ImagePtr firstPreview = CloneImage(*document->GetImage());

        watcher.paints = 0;
        DragThumbTo(brightness, -60);
        SettlePreview();
        EXPECT_EQ(Steps(), 1u);  // the second preview reruns the same step
        EXPECT_FALSE(SameImage(*document->GetImage(), *firstPreview));
        EXPECT_GT(watcher.paints, 0);
        EXPECT_EQ(watcher.paintedVersion, document->GetImageVersion());
        lastPreview = CloneImage(*document->GetImage());
        Click(Find<QPushButton>(&dialog, 1));
      });
  Settle();
  ASSERT_TRUE(lastPreview);
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(SameImage(*document->GetImage(), *lastPreview));
  EXPECT_TRUE(document->IsModified());
  // Undo and redo then move over exactly that one step.
  Trigger(ID_EDIT_UNDO);
  EXPECT_TRUE(SameImage(*document->GetImage(), *original));
  Trigger(ID_EDIT_REDO);
  EXPECT_TRUE(SameImage(*document->GetImage(), *lastPreview));
}

TEST_F(PreviewEndToEndTest, PreviewThenCancelLeavesImageAndHistoryAsTheyWere) {
  Trigger(ID_ADJUST_INVERT);  // an earlier edit, which must stay the current step
  ASSERT_EQ(Steps(), 1u);
  HistoryStep* const current = document->GetCurrentStep();
  const ImagePtr before = CloneImage(*document->GetImage());
  RunDialog<CBrightnessContrastDlg>(ID_ADJUST_BRIGHTNESS_CONTRAST,
                                    [&](CBrightnessContrastDlg& dialog) {
                                      DragThumbTo(Find<QSlider>(&dialog, 1003), 70);
                                      SettlePreview();
                                      EXPECT_EQ(Steps(), 2u);
                                      EXPECT_FALSE(SameImage(*document->GetImage(), *before));
                                      Click(Find<QPushButton>(&dialog, 2));
                                    });
  Settle();
  EXPECT_TRUE(SameImage(*document->GetImage(), *before));
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(document->GetCurrentStep(), current);
  EXPECT_EQ(document->GetHistory().newest(), current);
}

TEST_F(PreviewEndToEndTest, PreviewThenEscOnAFreshImageLeavesItUnmodified) {
  RunDialog<CBrightnessContrastDlg>(ID_ADJUST_BRIGHTNESS_CONTRAST,
                                    [&](CBrightnessContrastDlg& dialog) {
                                      DragThumbTo(Find<QSlider>(&dialog, 1001), -80);
                                      SettlePreview();
                                      EXPECT_TRUE(document->IsModified());
                                      QTest::keyClick(&dialog, Qt::Key_Escape);
                                    });
  Settle();
  EXPECT_TRUE(SameImage(*document->GetImage(), *original));
  EXPECT_EQ(Steps(), 0u);
  EXPECT_EQ(document->GetCurrentStep(), nullptr);
  EXPECT_FALSE(document->IsModified());
}

TEST_F(PreviewEndToEndTest, RotatePreviewTurnsTheWholeImageAndCancelTurnsItBack) {
  RunDialog<CRotateDlg>(ID_IMAGE_ROTATE, [&](CRotateDlg& dialog) {
    auto* angle = Find<QSlider>(&dialog, 1029);
    KeyTo(angle, 90);
    ClickThumb(angle);
    SettlePreview();
    // Upright now: the rotation's own canvas, about 48 wide and 64 high.
    EXPECT_LT(document->GetImage()->width, kImageWidth);
    EXPECT_GT(document->GetImage()->height, kImageHeight);
    EXPECT_EQ(Steps(), 1u);
    Click(Find<QPushButton>(&dialog, 2));
  });
  Settle();
  EXPECT_TRUE(SameImage(*document->GetImage(), *original));
  EXPECT_EQ(Steps(), 0u);
}

TEST_F(PreviewEndToEndTest, SizeInPercentResizesTheWholeImageInOneStep) {
  RunDialog<CSizeDlg>(ID_IMAGE_SIZE, [&](CSizeDlg& dialog) {
    auto* widthUnit = Find<QComboBox>(&dialog, 1044);
    auto* heightUnit = Find<QComboBox>(&dialog, 1045);
    for (QComboBox* list : {widthUnit, heightUnit}) {
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Down);
    }
    auto* width = Find<QLineEdit>(&dialog, 1036);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "50");
    Click(Find<QPushButton>(&dialog, 1));
  });
  Settle();
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(document->GetImage()->width, kImageWidth / 2);
  EXPECT_EQ(document->GetImage()->height, kImageHeight);
  Trigger(ID_EDIT_UNDO);
  EXPECT_TRUE(SameImage(*document->GetImage(), *original));
}

TEST_F(PreviewEndToEndTest, EveryDialogMenuItemOpensItsDialogAndEscChangesNothing) {
  const std::pair<int, const char*> items[] = {
      {ID_ADJUST_BRIGHTNESS_CONTRAST, "亮度/对比度"},
      {ID_ADJUST_TRANSPARENCY, "透明度"},
      {ID_ADJUST_HSL, "色相/饱和度/明度"},
      {ID_ADJUST_THRESHOLD, "二值化"},
      {ID_IMAGE_SIZE, "尺寸"},
      {ID_IMAGE_ROTATE, "旋转"},
      {ID_FILTER_MOSAIC, "马赛克"},
  };
  for (const auto& [id, title] : items) {
    EXPECT_TRUE(Action(id)->isEnabled()) << id;
    RunDialog<CParameterDlg>(id, [&](CParameterDlg& dialog) {
      EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(title));
      EXPECT_TRUE(dialog.isModal());
      EXPECT_EQ(dialog.parentWidget(), frame);  // owned by the main window
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
  }
  Settle();
  EXPECT_EQ(Steps(), 0u);
  EXPECT_TRUE(SameImage(*document->GetImage(), *original));
  EXPECT_TRUE(warnings.isEmpty());
}

}  // namespace
}  // namespace vantoria::test
