// Catches misplaced or stale pictures, wrong scrolling, selection frames and view commands.

#include <QPainter>

#include "operations/dispatcher_texts.h"
#include "shell_fixture.h"
#include "support/memory_runs_out.h"
#include "view/rect_tracker.h"

namespace vantoria {
namespace {

// Waits for a window-system event to have its effect; fails the test if it never does.
#define WAIT_FOR(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return (condition); }))

constexpr QRgb kGrey = 0x808080;
constexpr QRgb kBlack = 0;
constexpr Pixel kGreen = 0xFF00C000u;
using Hit = RectTracker::Hit;

QRgb Rgb(Pixel pixel) {
  return pixel & 0xFFFFFFu;
}

RectTracker TrackerWith(FrameRect rect) {
  RectTracker tracker;
  tracker.m_rect = rect;
  return tracker;
}

TEST(RectTrackerTest, HitTestCursorAndDrawingAgreeInsideOutToo) {
  const RectTracker tracker = TrackerWith({100, 50, 200, 150});
  using enum RectTracker::Hit;
  const struct {
    QPoint at;
    Hit hit;
    std::optional<Qt::CursorShape> cursor;
  } rows[] = {
      {{100, 50}, kTopLeft, Qt::SizeFDiagCursor},
      {{103, 53}, kTopLeft, Qt::SizeFDiagCursor},
      {{104, 54}, kMiddle, Qt::SizeAllCursor},
      {{197, 53}, kTopRight, Qt::SizeBDiagCursor},
      {{200, 150}, kBottomRight, Qt::SizeFDiagCursor},
      {{100, 150}, kBottomLeft, Qt::SizeBDiagCursor},
      {{150, 50}, kTop, Qt::SizeVerCursor},
      {{150, 150}, kBottom, Qt::SizeVerCursor},
      {{100, 100}, kLeft, Qt::SizeHorCursor},
      {{200, 100}, kRight, Qt::SizeHorCursor},
      {{99, 50}, kNothing, std::nullopt},
      {{201, 150}, kNothing, std::nullopt},
      {{150, 151}, kNothing, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(tracker.HitTest(row.at), row.hit) << row.at.x() << "," << row.at.y();
    EXPECT_EQ(tracker.CursorAt(row.at), row.cursor) << row.at.x() << "," << row.at.y();
  }
  EXPECT_EQ(TrackerWith({40, 40, 40, 40}).HitTest({40, 40}), kNothing);
  EXPECT_EQ(TrackerWith({200, 150, 100, 50}).HitTest({100, 50}), kTopLeft);
  // And draws normalised (handles, outline and clipping show in the view's and zoom's pictures).
  QImage canvas(300, 200, QImage::Format_RGB32);
  canvas.fill(QColor(0x80, 0x80, 0x80));
  QPainter painter(&canvas);
  TrackerWith({150, 140, 50, 40}).Draw(painter);
  painter.end();
  EXPECT_NE(canvas.pixel(50, 40) & 0xFFFFFFu, kGrey);
}

// A drag from `from` to `to`, on the frame when there is one, else a rubber band, ended by the
// button or cancelled.
TEST(RectTrackerTest, DragsMoveResizeAndKeepTheMinimum) {
  const FrameRect r{100, 50, 200, 150};
  const struct {
    std::optional<FrameRect> frame;
    QPoint from, to;
    FrameRect expected;
    bool cancel = false;
  } rows[] = {
      // clang-format off
      {{}, {320, 280}, {420, 330}, {320, 280, 420, 330}},
      {{}, {320, 280}, {320, 280}, {320, 280, 320, 280}},  // no movement: stays empty
      {{}, {320, 280}, {250, 200}, {320, 280, 328, 288}},  // up-left: the minimum
      {{}, {320, 280}, {323, 281}, {320, 280, 328, 288}},
      {{}, {320, 280}, {400, 270}, {320, 280, 400, 288}},
      {{}, {20, 20}, {80, 80}, {20, 20, 20, 20}, true},
      {r, {150, 100}, {160, 95}, {110, 45, 210, 145}},
      {r, {150, 100}, {-50, -80}, {-100, -130, 0, -30}},  // moving is not confined
      {r, {150, 100}, {150, 100}, r},
      {r, {300, 300}, {310, 310}, r},  // missing the frame starts nothing
      {r, {199, 149}, {300, 300}, r, true},
      {r, {101, 51}, {91, 41}, {90, 40, 200, 150}},
      {r, {199, 51}, {209, 41}, {100, 40, 210, 150}},
      {r, {199, 149}, {219, 159}, {100, 50, 220, 160}},
      {r, {101, 149}, {111, 139}, {110, 50, 200, 140}},
      {r, {150, 51}, {170, 61}, {100, 60, 200, 150}},
      {r, {150, 149}, {130, 129}, {100, 50, 200, 130}},
      {r, {101, 100}, {81, 130}, {80, 50, 200, 150}},
      {r, {199, 100}, {179, 70}, {100, 50, 180, 150}},
      {r, {101, 51}, {400, 300}, {192, 142, 200, 150}},  // past the opposite edge: the minimum
      {r, {199, 149}, {0, 0}, {100, 50, 108, 58}},
      {r, {199, 100}, {195, 100}, {100, 50, 196, 150}},
  };  // clang-format on
  for (const auto& row : rows) {
    RectTracker tracker;
    if (row.frame) {
      tracker.m_rect = *row.frame;
      tracker.StartTrack(row.from);
    } else {
      tracker.StartRubberBand(row.from);
    }
    tracker.TrackTo(row.to);
    if (tracker.IsTracking()) {
      row.cancel ? tracker.CancelTrack() : tracker.EndTrack();
    }
    EXPECT_FALSE(tracker.IsTracking());
    EXPECT_EQ(tracker.m_rect, row.expected) << row.to.x() << "," << row.to.y();
  }
  EXPECT_FALSE(RectTracker().StartTrack({0, 0}));
}

class ViewTest : public ::testing::Test {
 protected:
  std::unique_ptr<CVantoriaView> Show(QSize size = {800, 600}) {
    auto view = std::make_unique<CVantoriaView>(&document);
    view->resize(size);
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    return view;
  }
  // A view of 800 x 600 on an image of 200 x 100, which lies at (300, 250)-(499, 349).
  std::unique_ptr<CVantoriaView> ShowSmallImage() {
    document.InitImage(test::UniformImage(100, 200, kGreen));
    return Show();
  }
  static QImage Shot(CVantoriaView& view) { return view.viewport()->grab().toImage(); }
  static QRgb At(const QImage& shot, int x, int y) { return shot.pixel(x, y) & 0xFFFFFFu; }
  static void DragLeft(CVantoriaView& view, QPoint from, QPoint to) {
    QWidget* viewport = view.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, (from + to) / 2);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
  }
  bool Bars(CVantoriaView& view, bool horizontal, bool vertical) {
    return view.horizontalScrollBar()->isVisible() == horizontal &&
           view.verticalScrollBar()->isVisible() == vertical;
  }

  CVantoriaDoc document;
};

// The picture lies at (300, 250); the zoom suite checks every pixel of it and of the grey ring.
TEST_F(ViewTest, ImageIsCentredOnGreyAndBlendedOverBlack) {
  ImagePtr image = test::UniformImage(100, 200, kGreen);
  image->rows[0][0] = 0x80FF0000u;  // half-transparent red
  image->rows[0][1] = 0x00FFFFFFu;  // fully transparent white
  document.InitImage(std::move(image));
  auto view = Show();
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 299, 250), kGrey);
  EXPECT_NEAR(At(shot, 300, 250), 0x800000u, 0x10000u);
  EXPECT_EQ(At(shot, 301, 250), kBlack);
  EXPECT_TRUE(Bars(*view, false, false));
}

TEST_F(ViewTest, NoImageEmptyImageOrNoDocumentShowGreyAndIgnoreTheMouse) {
  auto view = Show();
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(At(Shot(*view), 400, 300), kGrey);
    DragLeft(*view, {390, 290}, {450, 350});
    view->OnEditSelectAll();
    EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
    document.InitImage(CreateImage(0, 0));
  }
  auto owned = std::make_unique<CVantoriaDoc>();
  owned->InitImage(test::UniformImage(20, 20, kGreen));
  CVantoriaView orphan(owned.get());
  orphan.resize(100, 100);
  owned.reset();
  EXPECT_EQ(orphan.GetDocument(), nullptr);
  EXPECT_EQ(At(Shot(orphan), 50, 50), kGrey);
  orphan.OnCommand(57643);  // undo without a document
}

TEST_F(ViewTest, EveryViewOfTheDocumentRepaintsAfterAnEdit) {
  document.InitImage(test::UniformImage(100, 200, kGreen));
  auto first = Show();
  auto second = Show({400, 300});
  EXPECT_EQ(At(Shot(*second), 200, 150), Rgb(kGreen));
  test::PaintCounter firstPaints(first->viewport());
  test::PaintCounter secondPaints(second->viewport());
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(100, 200, 0xFF0000FFu), std::nullopt));
  WAIT_FOR(firstPaints.paints > 0 && secondPaints.paints > 0);
  EXPECT_EQ(At(Shot(*first), 400, 300), 0x0000FFu);
  EXPECT_EQ(At(Shot(*second), 200, 150), 0x0000FFu);
  // A region edit repaints only the region.
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(10, 10, 0xFFFF0000u), Region{0, 0, 9, 9}));
  const QImage shot = Shot(*second);  // its image lies at (100, 100)
  EXPECT_EQ(At(shot, 109, 109), 0xFF0000u);
  EXPECT_EQ(At(shot, 110, 110), 0x0000FFu);
}

TEST_F(ViewTest, ImageSizeSetsPlacementAndScrollRange) {
  auto view = ShowSmallImage();
  ASSERT_TRUE(document.ApplyImage(*test::PatternImage(100, 2000), std::nullopt));
  WAIT_FOR(Bars(*view, true, false));
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 2000 - 800);
  const int top = (view->viewport()->height() + 1 - 100) / 2;
  QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 0, top), Rgb(document.GetImage()->rows[0][0]));
  EXPECT_EQ(At(shot, 0, top - 1), kGrey);
  EXPECT_EQ(At(shot, 799, top + 99), Rgb(document.GetImage()->rows[99][799]));

  ASSERT_TRUE(document.ApplyImage(*test::PatternImage(1500, 2000), std::nullopt));
  WAIT_FOR(Bars(*view, true, true));
  const QSize page = view->viewport()->size();
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 1500 - page.height());
  view->horizontalScrollBar()->setValue(300);
  view->verticalScrollBar()->setValue(200);
  EXPECT_EQ(At(Shot(*view), 10, 20), Rgb(document.GetImage()->rows[220][310]));
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  shot = Shot(*view);
  EXPECT_EQ(At(shot, page.width() - 1, page.height() - 1),
            Rgb(document.GetImage()->rows[1499][1999]));

  // Exactly the window's size: it fits once the bars are gone, so they must go.
  ASSERT_TRUE(document.ApplyImage(*test::PatternImage(600, 800), std::nullopt));
  WAIT_FOR(Bars(*view, false, false));
  EXPECT_EQ(At(Shot(*view), 799, 599), Rgb(document.GetImage()->rows[599][799]));
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(50, 50, kGreen), std::nullopt));
  EXPECT_EQ(At(Shot(*view), 375, 275), Rgb(kGreen));  // (801 - 50) / 2 = 375
  EXPECT_EQ(At(Shot(*view), 374, 275), kGrey);
}

// Drags on the 200 x 100 image at (300, 250) from no selection; plain ones are the zoom suite's.
TEST_F(ViewTest, MouseDragsGiveTheSelectionInImagePixels) {
  using Drags = std::vector<std::pair<QPoint, QPoint>>;
  const QPoint from(320, 280), to(420, 330);
  const struct {
    const char* name;
    Drags drags;
    std::optional<Region> expected;
  } rows[] = {
      {"pressed off the image", {{{100, 100}, {400, 300}}}, std::nullopt},
      {"beyond the edges, then moved",
       {{from, {700, 500}}, {{370, 300}, {360, 290}}},
       Region{10, 20, 189, 89}},
      {"missing the frame",
       {{from, to}, {{480, 340}, {480, 340}}, {{450, 300}, {490, 340}}},
       Region{20, 30, 120, 80}},
      {"moved off the left", {{from, to}, {{370, 300}, {70, 300}}}, Region{0, 30, 8, 80}},
      {"moved below", {{from, to}, {{370, 300}, {370, 600}}}, std::nullopt},
  };
  auto view = ShowSmallImage();
  for (const auto& row : rows) {
    view->OnEditSelectNone();
    for (const auto& [start, end] : row.drags) {
      DragLeft(*view, start, end);
    }
    EXPECT_EQ(view->GetSelectionRect(), row.expected) << row.name;
  }
  view->OnEditSelectNone();
  DragLeft(*view, from, to);
  const QImage shot = Shot(*view);  // handles at the dragged corners
  EXPECT_EQ(At(shot, 320, 280), kBlack);
  EXPECT_EQ(At(shot, 420, 330), kBlack);
  EXPECT_EQ(At(shot, 370, 305), Rgb(kGreen));
  view->OnEditCopy();  // the selection only
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(101, 51));
  auto hover = [&](QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    return view->viewport()->cursor().shape();
  };
  EXPECT_EQ(hover({370, 281}), Qt::SizeVerCursor);
  EXPECT_EQ(hover({600, 500}), Qt::ArrowCursor);
}

TEST_F(ViewTest, HandlesDraggedPastThePictureStopAtItsLeftAndTopEdges) {
  auto view = ShowSmallImage();
  DragLeft(*view, {330, 285}, {430, 335});
  DragLeft(*view, {331, 310}, {100, 310});  // left handle, far past the picture's left edge
  DragLeft(*view, {365, 286}, {365, 50});   // top handle, far past its top edge
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 130, 85}));
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 300, 250), kBlack);  // the corner handle sits on the picture's corner
  for (int k = 0; k < 300; ++k) {
    ASSERT_EQ(At(shot, k, 300), kGrey) << "frame drawn left of the picture at " << k;
    ASSERT_EQ(At(shot, 400, k * 250 / 300), kGrey) << "frame drawn above the picture";
  }
}

TEST_F(ViewTest, EscapeAndRightButtonCancelADrag) {
  auto view = ShowSmallImage();
  QWidget* viewport = view->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, {320, 280});
  QTest::mouseMove(viewport, {400, 320});
  QTest::keyClick(view.get(), Qt::Key_Escape);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {400, 320});
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);

  DragLeft(*view, {320, 280}, {420, 330});
  QTest::mousePress(viewport, Qt::LeftButton, {}, {370, 300});
  QTest::mouseMove(viewport, {390, 320});
  QTest::keyClick(view.get(), Qt::Key_Escape);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {390, 320});
  QTest::mousePress(viewport, Qt::LeftButton, {}, {419, 329});
  QTest::mouseMove(viewport, {460, 340});
  EXPECT_EQ(viewport->cursor().shape(), Qt::SizeFDiagCursor);
  QTest::mousePress(viewport, Qt::RightButton, {}, {460, 340});
  QTest::mouseRelease(viewport, Qt::RightButton, {}, {460, 340});
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {460, 340});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
}

TEST_F(ViewTest, SelectionFollowsImageSizeWindowSizeAndScrolling) {
  document.InitImage(test::UniformImage(4, 5, kGreen));
  auto view = Show();  // image at (398, 298): the minimum frame is clamped to it
  DragLeft(*view, {399, 299}, {401, 300});
  EXPECT_EQ(view->GetSelectionRect(), (Region{1, 1, 4, 3}));

  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(100, 200, kGreen), std::nullopt));
  view->OnEditSelectNone();
  DragLeft(*view, {320, 280}, {420, 330});
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(50, 50, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 49, 49}));
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(10, 10, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
  ASSERT_TRUE(document.ApplyImage(*test::UniformImage(100, 200, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));

  view->resize(600, 400);  // image now at (200, 150)
  WAIT_FOR(view->viewport()->size() == QSize(600, 400));
  EXPECT_EQ(At(Shot(*view), 220, 180), kBlack);
  DragLeft(*view, {270, 200}, {275, 200});
  EXPECT_EQ(view->GetSelectionRect(), (Region{25, 30, 125, 80}));

  ASSERT_TRUE(document.ApplyImage(*test::PatternImage(1500, 2000), std::nullopt));
  WAIT_FOR(Bars(*view, true, true));
  view->horizontalScrollBar()->setValue(300);
  view->verticalScrollBar()->setValue(200);
  view->OnEditSelectNone();
  DragLeft(*view, {10, 10}, {60, 40});
  EXPECT_EQ(view->GetSelectionRect(), (Region{310, 210, 360, 240}));
  view->horizontalScrollBar()->setValue(320);
  const QImage shot = Shot(*view);  // the frame moved left with the image
  EXPECT_EQ(At(shot, 40, 40), kBlack);
  EXPECT_NE(At(shot, 60, 40), kBlack);
  DragLeft(*view, {30, 25}, {40, 25});  // and is grabbed where it is now drawn
  EXPECT_EQ(view->GetSelectionRect(), (Region{320, 210, 370, 240}));
  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 1999, 1499}));
}

// Undoing or redoing a step whose picture has another size needs memory for it; without, the
// user is told and the picture stays.
TEST_F(ViewTest, UndoAndRedoWithoutMemoryForThePictureSaySo) {
  QStringList warnings;
  const prompts::ScopedHooks hooks(test::WarningsTo(warnings));
  document.InitImage(CreateImage(100, 200));
  CVantoriaView view(&document);
  ASSERT_TRUE(document.CommitStep(CreateHistoryStep(
      1132, std::nullopt, 0, 0, CloneImage(*document.GetImage()), CreateImage(3, 4))));
  const struct {
    int id;
    bool noMemory;
    int width, warnings;
  } rows[] = {{57643, true, 4, 1},   {57643, false, 200, 1}, {57643, true, 200, 1},
              {57644, true, 200, 2}, {57644, false, 4, 2},   {57644, false, 4, 2}};
  for (const auto& row : rows) {
    std::optional<test::MemoryRunsOut> noMemory;
    if (row.noMemory) {
      noMemory.emplace(0);
    }
    view.OnCommand(row.id);
    noMemory.reset();
    EXPECT_EQ(document.GetImage()->width, row.width);
    EXPECT_EQ(warnings.size(), row.warnings);
  }
  EXPECT_EQ(warnings.value(0), texts::OutOfMemory());
}

}  // namespace
}  // namespace vantoria
