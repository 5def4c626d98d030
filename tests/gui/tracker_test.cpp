// Catches the selection frame's geometry going wrong: handle hits and cursors, the minimum size
// (off by one too), each handle moving the wrong edge, cancel, and drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "view/rect_tracker.h"

namespace vantoria {
namespace {

using Hit = RectTracker::Hit;

RectTracker TrackerWith(FrameRect rect) {
  RectTracker tracker;
  tracker.m_rect = rect;
  return tracker;
}

FrameRect RubberBand(QPoint from, QPoint to) {
  RectTracker tracker;
  tracker.StartRubberBand(from);
  tracker.TrackTo(to);
  tracker.EndTrack();
  return tracker.m_rect;
}

// Drags from `from` to `to` with the left button and returns the frame afterwards.
FrameRect Drag(FrameRect rect, QPoint from, QPoint to) {
  RectTracker tracker = TrackerWith(rect);
  EXPECT_TRUE(tracker.StartTrack(from));
  tracker.TrackTo(to);
  tracker.EndTrack();
  EXPECT_FALSE(tracker.IsTracking());
  return tracker.m_rect;
}

TEST(RectTrackerTest, DefaultsAreFourPixelHandlesAndEightPixelMinimum) {
  RectTracker tracker;
  EXPECT_EQ(tracker.m_nHandleSize, 4);
  EXPECT_EQ(tracker.m_sizeMin, QSize(8, 8));
  EXPECT_TRUE(tracker.m_rect.IsPoint());
  EXPECT_FALSE(tracker.IsTracking());
}

// Handles lie inside the frame's corners and edge midpoints; one pixel outside misses.
TEST(RectTrackerTest, HitTestAndCursorShowWhatADragWouldDo) {
  const RectTracker tracker = TrackerWith({100, 50, 200, 150});
  const struct {
    QPoint at;
    Hit hit;
    std::optional<Qt::CursorShape> cursor;
  } rows[] = {
      {{100, 50}, Hit::kTopLeft, Qt::SizeFDiagCursor},
      {{103, 53}, Hit::kTopLeft, Qt::SizeFDiagCursor},
      {{104, 54}, Hit::kMiddle, Qt::SizeAllCursor},
      {{197, 53}, Hit::kTopRight, Qt::SizeBDiagCursor},
      {{200, 150}, Hit::kBottomRight, Qt::SizeFDiagCursor},
      {{100, 150}, Hit::kBottomLeft, Qt::SizeBDiagCursor},
      {{150, 50}, Hit::kTop, Qt::SizeVerCursor},
      {{150, 150}, Hit::kBottom, Qt::SizeVerCursor},
      {{100, 100}, Hit::kLeft, Qt::SizeHorCursor},
      {{200, 100}, Hit::kRight, Qt::SizeHorCursor},
      {{99, 50}, Hit::kNothing, std::nullopt},
      {{201, 150}, Hit::kNothing, std::nullopt},
      {{150, 151}, Hit::kNothing, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(tracker.HitTest(row.at), row.hit) << row.at.x() << "," << row.at.y();
    EXPECT_EQ(tracker.CursorAt(row.at), row.cursor) << row.at.x() << "," << row.at.y();
  }
  EXPECT_EQ(TrackerWith({40, 40, 40, 40}).HitTest({40, 40}), Hit::kNothing);
  const RectTracker insideOut = TrackerWith({200, 150, 100, 50});
  EXPECT_EQ(insideOut.HitTest({150, 100}), Hit::kMiddle);
  EXPECT_EQ(insideOut.HitTest({100, 50}), Hit::kTopLeft);
}

TEST(RectTrackerTest, RubberBandFollowsTheBottomRightCorner) {
  EXPECT_EQ(RubberBand({320, 280}, {420, 330}), (FrameRect{320, 280, 420, 330}));
}

TEST(RectTrackerTest, RubberBandWithoutMovementStaysEmptyAtThePoint) {
  RectTracker tracker = TrackerWith({10, 10, 90, 90});
  tracker.StartRubberBand({320, 280});
  tracker.TrackTo({320, 280});
  tracker.EndTrack();
  EXPECT_EQ(tracker.m_rect, (FrameRect{320, 280, 320, 280}));
}

TEST(RectTrackerTest, RubberBandNeverTurnsInsideOutNorGetsBelowMinimum) {
  // Up and to the left: the minimum frame with its top-left corner at the start.
  EXPECT_EQ(RubberBand({320, 280}, {250, 200}), (FrameRect{320, 280, 328, 288}));
  // A few pixels only: still the minimum along each short axis.
  EXPECT_EQ(RubberBand({320, 280}, {323, 281}), (FrameRect{320, 280, 328, 288}));
  EXPECT_EQ(RubberBand({320, 280}, {400, 270}), (FrameRect{320, 280, 400, 288}));
}

TEST(RectTrackerTest, MovingByTheMiddleKeepsTheSizeAndIsNotConfined) {
  EXPECT_EQ(Drag({100, 50, 200, 150}, {150, 100}, {160, 95}), (FrameRect{110, 45, 210, 145}));
  EXPECT_EQ(Drag({100, 50, 200, 150}, {150, 100}, {-50, -80}), (FrameRect{-100, -130, 0, -30}));
}

TEST(RectTrackerTest, EachHandleMovesOnlyItsEdges) {
  const FrameRect r{100, 50, 200, 150};
  EXPECT_EQ(Drag(r, {101, 51}, {91, 41}), (FrameRect{90, 40, 200, 150}));      // top-left
  EXPECT_EQ(Drag(r, {199, 51}, {209, 41}), (FrameRect{100, 40, 210, 150}));    // top-right
  EXPECT_EQ(Drag(r, {199, 149}, {219, 159}), (FrameRect{100, 50, 220, 160}));  // bottom-right
  EXPECT_EQ(Drag(r, {101, 149}, {111, 139}), (FrameRect{110, 50, 200, 140}));  // bottom-left
  EXPECT_EQ(Drag(r, {150, 51}, {170, 61}), (FrameRect{100, 60, 200, 150}));    // top
  EXPECT_EQ(Drag(r, {150, 149}, {130, 129}), (FrameRect{100, 50, 200, 130}));  // bottom
  EXPECT_EQ(Drag(r, {101, 100}, {81, 130}), (FrameRect{80, 50, 200, 150}));    // left
  EXPECT_EQ(Drag(r, {199, 100}, {179, 70}), (FrameRect{100, 50, 180, 150}));   // right
}

TEST(RectTrackerTest, ResizingPastTheOppositeEdgeStopsAtTheMinimum) {
  const FrameRect r{100, 50, 200, 150};
  EXPECT_EQ(Drag(r, {101, 51}, {400, 300}), (FrameRect{192, 142, 200, 150}));
  EXPECT_EQ(Drag(r, {199, 149}, {0, 0}), (FrameRect{100, 50, 108, 58}));
  EXPECT_EQ(Drag(r, {199, 100}, {195, 100}), (FrameRect{100, 50, 196, 150}));
}

TEST(RectTrackerTest, MissingTheFrameStartsNothingAndChangesNothing) {
  RectTracker tracker = TrackerWith({100, 50, 200, 150});
  EXPECT_FALSE(tracker.StartTrack({300, 300}));
  EXPECT_FALSE(tracker.IsTracking());
  tracker.TrackTo({310, 310});
  EXPECT_EQ(tracker.m_rect, (FrameRect{100, 50, 200, 150}));
  EXPECT_FALSE(RectTracker().StartTrack({0, 0}));  // no frame at all
}

TEST(RectTrackerTest, ClickOnTheFrameWithoutMovementKeepsIt) {
  EXPECT_EQ(Drag({100, 50, 200, 150}, {150, 100}, {150, 100}), (FrameRect{100, 50, 200, 150}));
}

TEST(RectTrackerTest, CancelRestoresTheFrameItHadBeforeTheDrag) {
  RectTracker tracker = TrackerWith({100, 50, 200, 150});
  ASSERT_TRUE(tracker.StartTrack({199, 149}));
  EXPECT_EQ(tracker.TrackingCursor(), Qt::SizeFDiagCursor);
  tracker.TrackTo({300, 300});
  EXPECT_EQ(tracker.m_rect, (FrameRect{100, 50, 301, 301}));
  tracker.CancelTrack();
  EXPECT_FALSE(tracker.IsTracking());
  EXPECT_EQ(tracker.m_rect, (FrameRect{100, 50, 200, 150}));

  tracker.StartRubberBand({20, 20});
  tracker.TrackTo({80, 80});
  tracker.CancelTrack();
  EXPECT_EQ(tracker.m_rect, (FrameRect{20, 20, 20, 20}));
}

class TrackerDrawTest : public ::testing::Test {
 protected:
  QRgb PixelAfterDrawing(FrameRect rect, QPoint at) {
    QImage canvas(300, 200, QImage::Format_RGB32);
    canvas.fill(QColor(0x80, 0x80, 0x80));
    {
      QPainter painter(&canvas);
      TrackerWith(rect).Draw(painter);
    }
    return canvas.pixel(at) & 0xFFFFFFu;
  }
  static constexpr QRgb kGrey = 0x808080;
};

TEST_F(TrackerDrawTest, HandlesAreSolidSquaresInsideTheCorners) {
  const FrameRect r{50, 40, 150, 140};
  for (QPoint p : {QPoint(50, 40), QPoint(53, 43), QPoint(147, 137), QPoint(150, 140),
                   QPoint(147, 40), QPoint(50, 140), QPoint(100, 43), QPoint(150, 90)}) {
    EXPECT_EQ(PixelAfterDrawing(r, p), 0x000000u) << p.x() << "," << p.y();
  }
}

TEST_F(TrackerDrawTest, OutlineLiesOnTheFrameEdgesOnly) {
  const FrameRect r{50, 40, 150, 140};
  // The outline alternates dark and light dots; either way it is not the background.
  EXPECT_NE(PixelAfterDrawing(r, {75, 40}), kGrey);
  EXPECT_NE(PixelAfterDrawing(r, {75, 140}), kGrey);
  EXPECT_NE(PixelAfterDrawing(r, {50, 75}), kGrey);
  EXPECT_NE(PixelAfterDrawing(r, {150, 75}), kGrey);
  EXPECT_EQ(PixelAfterDrawing(r, {75, 39}), kGrey);
  EXPECT_EQ(PixelAfterDrawing(r, {75, 141}), kGrey);
  EXPECT_EQ(PixelAfterDrawing(r, {151, 75}), kGrey);
  EXPECT_EQ(PixelAfterDrawing(r, {75, 75}), kGrey);  // the inside stays visible
}

TEST_F(TrackerDrawTest, NoFrameDrawsNothingAndInsideOutDrawsNormalised) {
  EXPECT_EQ(PixelAfterDrawing({60, 60, 60, 60}, {60, 60}), kGrey);
  EXPECT_EQ(PixelAfterDrawing({150, 140, 50, 40}, {50, 40}), 0x000000u);
}

}  // namespace
}  // namespace vantoria
