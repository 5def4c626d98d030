// Catches zoom, wheel and screen-scale faults; rerun on scaled screens, so all in device pixels.

#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>

#include "app/window_placement.h"
#include "shell_fixture.h"
#include "view/zoom.h"

namespace vantoria {
namespace {

TEST(ZoomTest, PixelsMapBothWaysAndAFitKeepsThePictureInside) {
  struct Row {
    Zoom zoom;
    std::int64_t image;
    std::int64_t device;  // ToDevice(image)
    std::int64_t back;    // ToImage(device + 1)
  };
  for (const Row& row :
       {Row{{1, 1}, 7, 7, 8}, Row{{3, 1}, 7, 21, 7}, Row{{3, 2}, 3, 4, 3}, Row{{1, 2}, 21, 10, 22},
        Row{{2, 3}, 4, 2, 5}, Row{{3, 1}, -1, -3, -1}, Row{{1, 4}, -5, -2, -4}}) {
    EXPECT_EQ(row.zoom.ToDevice(row.image), row.device) << row.zoom.num << "/" << row.zoom.den;
    EXPECT_EQ(row.zoom.ToImage(row.device + 1), row.back) << row.zoom.num << "/" << row.zoom.den;
  }
  EXPECT_EQ((Zoom{1, 32}).Length(31), 1);  // never vanishes
  EXPECT_EQ((Zoom{2, 3}).Length(100), 66);
  // A fitted zoom keeps the whole picture inside odd areas.
  struct Fit {
    int areaW, areaH, imageW, imageH, fittedW, fittedH;
  };
  for (const Fit& r : {Fit{1001, 667, 4000, 3000, 889, 667}, Fit{1003, 999, 4000, 3000, 1003, 752},
                       Fit{370, 1000, 4000, 3000, 370, 277}, Fit{640, 480, 20, 10, 640, 320},
                       Fit{100, 100, 100000, 1, 3125, 1}}) {
    const Zoom fit = FitZoom(r.areaW, r.areaH, r.imageW, r.imageH);
    EXPECT_EQ(fit.Length(r.imageW), r.fittedW) << r.areaW << "x" << r.areaH;
    EXPECT_EQ(fit.Length(r.imageH), r.fittedH) << r.areaW << "x" << r.areaH;
  }
}

// The steps next to 100 % are the wheel test's.
TEST(ZoomTest, StepsRunFromOneThirtySecondToThirtyTwo) {
  EXPECT_EQ((Zoom{667, 4000}).StepIn(), (Zoom{1, 4}));  // a fitted zoom goes to the next step
  EXPECT_EQ((Zoom{667, 4000}).StepOut(), (Zoom{1, 6}));
  EXPECT_EQ((Zoom{32, 1}).StepIn(), (Zoom{32, 1}));
  EXPECT_EQ((Zoom{1, 32}).StepOut(), (Zoom{1, 32}));
  EXPECT_EQ((Zoom{1, 8}).PercentText(), "12.5%");
  EXPECT_EQ((Zoom{1, 24}).PercentText(), "4.17%");
  Zoom typed;
  ASSERT_TRUE(ParsePercent(" 250 % ", typed));
  EXPECT_EQ(typed, (Zoom{5, 2}));
  ASSERT_TRUE(ParsePercent("100000", typed));
  EXPECT_EQ(typed, (Zoom{32, 1}));
  EXPECT_FALSE(ParsePercent("abc", typed));
  EXPECT_FALSE(ParsePercent("-5%", typed));
}

TEST(WindowPlacementTest, NewWindowsCascadeInsideTheArea) {
  const QSize minimum(240, 160);
  struct Row {
    QSize area, wanted;
    int index;
    QRect placed;
  };
  for (const Row& r : {Row{{800, 600}, {300, 200}, 0, {0, 0, 300, 200}},
                       Row{{800, 600}, {300, 200}, 2, {56, 56, 300, 200}},
                       Row{{800, 600}, {4000, 3000}, 1, {28, 28, 772, 572}},
                       Row{{800, 600}, {4000, 3000}, 16, {0, 0, 800, 600}},  // starts again
                       Row{{800, 600}, {100, 50}, 0, {0, 0, 240, 160}},
                       Row{{200, 100}, {4000, 3000}, 3, {0, 0, 200, 100}}}) {
    EXPECT_EQ(PlaceCascaded(r.area, r.wanted, minimum, r.index, 28), r.placed) << r.index;
  }
}

class ZoomViewTest : public ::testing::Test {
 protected:
  void Show(int width, int height, QSize window = {800, 600}) {
    document.InitImage(test::PatternImage(height, width));
    view = std::make_unique<CVantoriaView>(&document);
    view->resize(window);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }
  double Ratio() const { return view->devicePixelRatioF(); }
  // Where image pixel (x, y) shows, in device pixels of the viewport: the middle of its block.
  QPoint DeviceOf(QPoint pixel) const {
    const Zoom zoom = view->GetZoom();
    const QSize image = view->ImageSize();
    const QSize area(qRound(view->viewport()->width() * Ratio()),
                     qRound(view->viewport()->height() * Ratio()));
    const Region placed = PlaceImage(area.width(), area.height(), zoom.Length(image.width()),
                                     zoom.Length(image.height()));
    auto middle = [&](int i, int origin, int scroll) {
      const auto from = zoom.ToDevice(i);
      const auto to = std::max(from + 1, zoom.ToDevice(i + 1));
      return static_cast<int>(origin - scroll + (from + to - 1) / 2);
    };
    return {middle(pixel.x(), placed.left, view->horizontalScrollBar()->value()),
            middle(pixel.y(), placed.top, view->verticalScrollBar()->value())};
  }
  // Whether the view took the event.
  bool Send(QEvent::Type type, QPoint device, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF local(device.x() / Ratio(), device.y() / Ratio());
    QMouseEvent event(type, local, view->viewport()->mapToGlobal(local), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
    return event.isAccepted();
  }
  void Drag(QPoint fromPixel, QPoint toPixel) {
    const QPoint from = DeviceOf(fromPixel);
    const QPoint to = DeviceOf(toPixel);
    Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  QImage Shot() const {
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  CVantoriaDoc document;
  std::unique_ptr<CVantoriaView> view;
};

TEST_F(ZoomViewTest, AtActualSizeEachImagePixelIsOneDevicePixel) {
  Show(300, 200);
  const QImage shot = Shot();
  ASSERT_EQ(shot.width(), qRound(800 * Ratio()));
  const QPoint origin = DeviceOf({0, 0});
  int wrong = 0;
  for (int y = -1; y <= 200; ++y) {
    for (int x = -1; x <= 300; ++x) {
      const bool inside = x >= 0 && y >= 0 && x < 300 && y < 200;
      const QRgb expected = inside ? document.GetImage()->rows[y][x] : 0xFF808080u;
      wrong += shot.pixel(origin.x() + x, origin.y() + y) != expected ? 1 : 0;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(ZoomViewTest, AboveActualSizePixelsAreSharpBlocksAndBelowAveraged) {
  Show(300, 200);
  view->SetZoom({3, 1});
  QImage shot = Shot();
  const QPoint block = DeviceOf({150, 100}) - QPoint(1, 1);  // the block's top-left corner
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(shot.pixel(block + QPoint(i % 3, i / 3)), document.GetImage()->rows[100][150]);
  }
  EXPECT_EQ(shot.pixel(block + QPoint(3, 0)), document.GetImage()->rows[100][151]);

  // Columns alternately black and white come out as the grey between them.
  ImagePtr stripes = CreateImage(64, 64);
  for (int i = 0; i < 64 * 64; ++i) {
    stripes->pixels()[i] = i % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  document.InitImage(std::move(stripes));
  view->SetZoom({1, 4});
  shot = Shot();
  const QRgb grey = shot.pixel(DeviceOf({8, 8}));
  EXPECT_NEAR(qRed(grey), 128, 2);
}

TEST_F(ZoomViewTest, SelectionInImagePixelsIsTheSameAtEveryZoom) {
  Show(200, 100);
  for (const Zoom zoom : {Zoom{1, 1}, Zoom{2, 1}, Zoom{3, 1}, Zoom{3, 2}, Zoom{5, 1}}) {
    view->OnEditSelectNone();
    view->SetZoom(zoom);
    Drag({20, 30}, {120, 80});  // beyond the window at the larger zooms: scrolled into view
    EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}))
        << zoom.PercentText().toStdString();
    Drag({50, 50}, {55, 47});  // moved by its inside
    EXPECT_EQ(view->GetSelectionRect(), (Region{25, 27, 125, 77}));
    Drag({125, 77}, {130, 79});  // resized by its bottom-right handle
    EXPECT_EQ(view->GetSelectionRect(), (Region{25, 27, 130, 79}));
    Drag({60, 50}, {50, 40});  // moved up-left
    EXPECT_EQ(view->GetSelectionRect(), (Region{15, 17, 120, 69}));
    view->OnEditSelectNone();
    EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
    Drag({60, 50}, {50, 40});  // a new rubber band up-left: the minimum of 8 image pixels
    EXPECT_EQ(view->GetSelectionRect(), (Region{60, 50, 68, 58}));
    Drag({68, 58}, {230, 120});  // its corner past the edges: ends on the last column and row
    EXPECT_EQ(view->GetSelectionRect(), (Region{60, 50, 199, 99}));
  }
  view->SetZoom({1, 2});  // every second pixel has a device pixel of its own
  view->OnEditSelectNone();
  Drag({20, 30}, {120, 80});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 199, 99}));
  view->SetZoom({1, 3});  // three pixels to a device pixel: a drag ends on the first of them
  view->OnEditSelectNone();
  Drag({21, 3}, {190, 96});
  EXPECT_EQ(view->GetSelectionRect(), (Region{21, 3, 189, 96}));
  Drag({100, 50}, {105, 52});  // moved by whole device pixels, its size kept
  EXPECT_EQ(view->GetSelectionRect(), (Region{27, 6, 195, 99}));
  // The right edge lies on the device pixel that shows column 195, where the drag ended.
  const QImage shot = Shot();
  for (int y = DeviceOf({0, 20}).y(); y < DeviceOf({0, 80}).y(); ++y) {
    const QRgb edge = shot.pixel(DeviceOf({195, 0}).x(), y);
    EXPECT_TRUE(edge == 0xFFFFFFFFu || edge == 0xFF000000u) << y;
  }
}

TEST_F(ZoomViewTest, PixelUnderThePointerFollowsZoomScrollAndANewPicture) {
  Show(300, 200, {200, 150});
  for (const Zoom zoom : {Zoom{1, 1}, Zoom{4, 1}, Zoom{1, 3}}) {
    view->SetZoom(zoom);
    const QPoint pixel = zoom < Zoom{1, 1} ? QPoint(3, 6) : QPoint(17, 11);
    Send(QEvent::MouseMove, DeviceOf(pixel), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view->PixelUnderPointer(), pixel);
  }
  Send(QEvent::MouseMove, {0, 0}, Qt::NoButton, Qt::NoButton);  // on the grey at 1/3
  EXPECT_EQ(view->PixelUnderPointer(), std::nullopt);
  // The status bar's size and pixel panes follow the view's state: a turned picture too.
  QSignalSpy changed(view.get(), &CVantoriaView::viewStateChanged);
  document.InitImage(test::PatternImage(30, 20));
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(ZoomViewTest, CtrlWheelZoomsAtThePointerAndShiftWheelScrollsSideways) {
  Show(1000, 750, {200, 150});
  auto wheel = [this](int delta, Qt::KeyboardModifier modifier) {
    const QPointF at(50, 40);
    QWheelEvent event(at, view->viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, modifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
  };
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(view->GetZoom(), (Zoom{2, 1}));
  wheel(-120, Qt::ControlModifier);
  wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(view->GetZoom(), (Zoom{2, 3}));
  const int down = view->verticalScrollBar()->value();
  const int across = view->horizontalScrollBar()->value();
  wheel(-120, Qt::ShiftModifier);
  EXPECT_GT(view->horizontalScrollBar()->value(), across);
  EXPECT_EQ(view->verticalScrollBar()->value(), down);
}

TEST_F(ZoomViewTest, DoubleAndRightClicksStayInTheView) {
  // Passed on, they would reach the image window's frame: a close, a system menu.
  Show(100, 80);
  const QPoint centre = DeviceOf({50, 40});
  EXPECT_TRUE(Send(QEvent::MouseButtonDblClick, centre, Qt::LeftButton, Qt::LeftButton));
  EXPECT_TRUE(Send(QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton));
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
}

using FitLargePicturesTest = test::ShellTest;

TEST_F(FitLargePicturesTest, APictureLargerThanItsWindowOpensFittedOnlyWhenAsked) {
  for (const bool fit : {false, true}) {
    QSettings().setValue("View/FitLargePictures", fit);
    Documents().OpenDocumentFile(WriteImage(fit ? "fitted.png" : "actual.png", 3000, 2000));
    CVantoriaView* view = ActiveChild()->GetActiveView();
    EXPECT_EQ(view->GetZoom().IsActual(), !fit);
    EXPECT_EQ(view->horizontalScrollBar()->maximum() + view->verticalScrollBar()->maximum() > 0,
              !fit);
    view->ZoomActual();  // and back at actual size, the bars return
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
  }
  QSettings().remove("View/FitLargePictures");
}

}  // namespace
}  // namespace vantoria
