// Catches a misplaced or mis-blended picture, a view that misses a repaint or a scroll range,
// and mouse selections converted, clamped or kept wrongly (the frame's geometry is the tracker's).
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <memory>

#include "document/vantoria_doc.h"
#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

// Waits for a window-system event to have its effect; fails the test if it never does.
#define WAIT_FOR(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return (condition); }))

constexpr QRgb kGrey = 0x808080;
constexpr Pixel kGreen = 0xFF00C000u;

ImagePtr Filled(int width, int height, Pixel value) {
  ImagePtr image = CreateImage(height, width);
  std::fill(image->pixels(), image->pixels() + image->pixelCount(), value);
  return image;
}

// Every pixel different, so a wrong offset shows.
ImagePtr Pattern(int width, int height) {
  ImagePtr image = CreateImage(height, width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image->rows[y][x] = 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 4 | y >> 8;
    }
  }
  return image;
}

QRgb Rgb(Pixel pixel) {
  return pixel & 0xFFFFFFu;
}

class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

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
    document.InitImage(Filled(200, 100, kGreen));
    auto view = Show();
    EXPECT_EQ(view->viewport()->size(), QSize(800, 600));
    return view;
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

  CVantoriaDoc document;
};

// --- placement and painting ---

TEST(PlaceImageTest, CentresWithTheTruncatingRule) {
  EXPECT_EQ(PlaceImage(800, 600, 200, 100), (Region{300, 250, 499, 349}));
  EXPECT_EQ(PlaceImage(800, 600, 800, 100).left, 0);  // (801 - 800) / 2
  EXPECT_EQ(PlaceImage(800, 600, 799, 100).left, 1);
  EXPECT_EQ(PlaceImage(800, 600, 201, 101), (Region{300, 250, 500, 350}));
  // Larger than the area: from the edge, centred along the other axis.
  EXPECT_EQ(PlaceImage(800, 600, 2000, 100), (Region{0, 250, 1999, 349}));
  EXPECT_EQ(PlaceImage(800, 600, 0, 0), (Region{400, 300, 399, 299}));
}

TEST_F(ViewTest, ImageIsCentredOnGreyAndPaintedPixelForPixel) {
  ImagePtr image = Filled(200, 100, kGreen);
  image->rows[0][0] = 0x80FF0000u;  // half-transparent red
  image->rows[0][1] = 0x00FFFFFFu;  // fully transparent white
  image->rows[99][199] = 0xFF123456u;
  document.InitImage(std::move(image));
  auto view = Show();
  const QImage shot = Shot(*view);
  ASSERT_EQ(shot.size(), QSize(800, 600));
  EXPECT_EQ(At(shot, 0, 0), kGrey);
  EXPECT_EQ(At(shot, 299, 250), kGrey);
  EXPECT_EQ(At(shot, 300, 249), kGrey);
  EXPECT_EQ(At(shot, 500, 349), kGrey);
  EXPECT_EQ(At(shot, 499, 350), kGrey);
  EXPECT_EQ(At(shot, 799, 599), kGrey);
  EXPECT_EQ(At(shot, 400, 300), Rgb(kGreen));
  EXPECT_EQ(At(shot, 499, 349), 0x123456u);
  // Blended over opaque black.
  EXPECT_NEAR(qRed(At(shot, 300, 250)), 128, 1);
  EXPECT_EQ(qGreen(At(shot, 300, 250)), 0);
  EXPECT_EQ(qBlue(At(shot, 300, 250)), 0);
  EXPECT_EQ(At(shot, 301, 250), 0x000000u);
  EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(view->verticalScrollBar()->isVisible());
}

TEST_F(ViewTest, DocumentWithoutImageOrEmptyImageShowsGreyAndIgnoresTheMouse) {
  auto view = Show();
  QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 0, 0), kGrey);
  EXPECT_EQ(At(shot, 400, 300), kGrey);
  DragLeft(*view, {390, 290}, {450, 350});
  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);

  document.InitImage(CreateImage(0, 0));
  shot = Shot(*view);
  EXPECT_EQ(At(shot, 400, 300), kGrey);
  DragLeft(*view, {390, 290}, {450, 350});
  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
  EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
}

TEST_F(ViewTest, ViewOutlivingItsDocumentPaintsGrey) {
  auto owned = std::make_unique<CVantoriaDoc>();
  owned->InitImage(Filled(20, 20, kGreen));
  CVantoriaView view(owned.get());
  view.resize(100, 100);
  owned.reset();
  EXPECT_EQ(view.GetDocument(), nullptr);
  EXPECT_EQ(At(Shot(view), 50, 50), kGrey);
  view.OnCommand(57643);  // undo without a document
  EXPECT_EQ(view.GetSelectionRect(), std::nullopt);
}

TEST_F(ViewTest, EveryViewOfTheDocumentRepaintsAfterAnEdit) {
  document.InitImage(Filled(200, 100, kGreen));
  auto first = Show();
  auto second = Show({400, 300});
  EXPECT_EQ(At(Shot(*first), 400, 300), Rgb(kGreen));
  EXPECT_EQ(At(Shot(*second), 200, 150), Rgb(kGreen));

  PaintCounter firstPaints;
  PaintCounter secondPaints;
  first->viewport()->installEventFilter(&firstPaints);
  second->viewport()->installEventFilter(&secondPaints);
  ASSERT_TRUE(document.ApplyImage(*Filled(200, 100, 0xFF0000FFu), std::nullopt));
  WAIT_FOR(firstPaints.paints > 0 && secondPaints.paints > 0);
  EXPECT_EQ(At(Shot(*first), 400, 300), 0x0000FFu);
  EXPECT_EQ(At(Shot(*second), 200, 150), 0x0000FFu);

  // A region edit repaints too, and only the region changes.
  ImagePtr patch = Filled(10, 10, 0xFFFF0000u);
  ASSERT_TRUE(document.ApplyImage(*patch, Region{0, 0, 9, 9}));
  const QImage shot = Shot(*second);  // its image lies at (100, 100)
  EXPECT_EQ(At(shot, 100, 100), 0xFF0000u);
  EXPECT_EQ(At(shot, 109, 109), 0xFF0000u);
  EXPECT_EQ(At(shot, 110, 110), 0x0000FFu);
}

TEST_F(ViewTest, ANewImageSizeRecentresAndSetsTheScrollRange) {
  auto view = ShowSmallImage();
  ASSERT_TRUE(document.ApplyImage(*Pattern(2000, 100), std::nullopt));
  WAIT_FOR(view->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(view->verticalScrollBar()->isVisible());
  const QSize page = view->viewport()->size();
  EXPECT_EQ(page.width(), 800);
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 2000 - 800);
  const int top = (page.height() + 1 - 100) / 2;
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 0, top), Rgb(document.GetImage()->rows[0][0]));
  EXPECT_EQ(At(shot, 0, top - 1), kGrey);
  EXPECT_EQ(At(shot, 799, top + 99), Rgb(document.GetImage()->rows[99][799]));

  ASSERT_TRUE(document.ApplyImage(*Filled(50, 50, kGreen), std::nullopt));
  WAIT_FOR(!view->horizontalScrollBar()->isVisible());
  EXPECT_EQ(At(Shot(*view), 375, 275), Rgb(kGreen));  // (801 - 50) / 2 = 375
  EXPECT_EQ(At(Shot(*view), 374, 275), kGrey);
}

TEST_F(ViewTest, LargeImageStartsAtTheEdgeAndScrolls) {
  document.InitImage(Pattern(2000, 1500));
  auto view = Show();
  const PixelImage& image = *document.GetImage();
  WAIT_FOR(view->horizontalScrollBar()->isVisible() && view->verticalScrollBar()->isVisible());
  const QSize page = view->viewport()->size();
  EXPECT_EQ(view->horizontalScrollBar()->maximum(), 2000 - page.width());
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 1500 - page.height());
  QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 0, 0), Rgb(image.rows[0][0]));
  EXPECT_EQ(At(shot, 5, 7), Rgb(image.rows[7][5]));

  view->horizontalScrollBar()->setValue(300);
  view->verticalScrollBar()->setValue(200);
  shot = Shot(*view);
  EXPECT_EQ(At(shot, 0, 0), Rgb(image.rows[200][300]));
  EXPECT_EQ(At(shot, 10, 20), Rgb(image.rows[220][310]));

  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  shot = Shot(*view);
  EXPECT_EQ(At(shot, page.width() - 1, page.height() - 1), Rgb(image.rows[1499][1999]));
}

TEST_F(ViewTest, ScrollBarsGoWhenTheWindowGrowsToFitTheImage) {
  document.InitImage(Pattern(800, 600));
  auto view = Show({300, 200});
  WAIT_FOR(view->horizontalScrollBar()->isVisible() && view->verticalScrollBar()->isVisible());
  // Exactly the image's size: it fits once the bars are gone, so they must go.
  view->resize(800, 600);
  WAIT_FOR(!view->horizontalScrollBar()->isVisible() && !view->verticalScrollBar()->isVisible());
  EXPECT_EQ(view->viewport()->size(), QSize(800, 600));
  EXPECT_EQ(At(Shot(*view), 799, 599), Rgb(document.GetImage()->rows[599][799]));
}

// --- selection with the mouse ---

TEST_F(ViewTest, RubberBandGivesTheSelectionInImagePixels) {
  auto view = ShowSmallImage();
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
  DragLeft(*view, {320, 280}, {420, 330});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
  EXPECT_EQ(view->GetSelectionRect()->width(), 101);
  EXPECT_EQ(view->GetSelectionRect()->height(), 51);
  // The frame is drawn where it was dragged: handles at its corners.
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 320, 280), 0x000000u);
  EXPECT_EQ(At(shot, 420, 330), 0x000000u);
  EXPECT_EQ(At(shot, 370, 305), Rgb(kGreen));
}

TEST_F(ViewTest, RubberBandBeyondTheEdgesEndsAtTheLastColumnAndRow) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {700, 500});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 199, 99}));
}

TEST_F(ViewTest, PressOffTheImageStartsNoSelection) {
  auto view = ShowSmallImage();
  DragLeft(*view, {100, 100}, {400, 300});
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
}

TEST_F(ViewTest, ASecondClickOrDragMissingTheFrameChangesNothing) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, {480, 340});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
  DragLeft(*view, {450, 300}, {490, 340});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
}

TEST_F(ViewTest, FrameMovesAndHandlesDraggedPastThePictureStopAtItsEdge) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  DragLeft(*view, {370, 300}, {380, 305});  // move
  EXPECT_EQ(view->GetSelectionRect(), (Region{30, 35, 130, 85}));
  DragLeft(*view, {331, 310}, {100, 310});  // left handle, far past the picture's left edge
  DragLeft(*view, {365, 286}, {365, 50});   // top handle, far past its top edge
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 130, 85}));
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 300, 250), 0x000000u);  // the corner handle sits on the picture's corner
  for (int k = 0; k < 300; ++k) {
    ASSERT_EQ(At(shot, k, 300), kGrey) << "frame drawn left of the picture at " << k;
    ASSERT_EQ(At(shot, 400, k * 250 / 300), kGrey) << "frame drawn above the picture";
  }
}

TEST_F(ViewTest, FrameMovedOffTheImageIsKeptOnItOrGivesNoSelection) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  DragLeft(*view, {370, 300}, {70, 300});  // wholly off the left edge
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 30, 8, 80}));

  DragLeft(*view, {304, 300}, {304, 600});  // wholly below the image
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
}

TEST_F(ViewTest, EscapeAndRightButtonCancelADrag) {
  auto view = ShowSmallImage();
  QWidget* viewport = view->viewport();
  DragLeft(*view, {320, 280}, {420, 330});

  QTest::mousePress(viewport, Qt::LeftButton, {}, {370, 300});
  QTest::mouseMove(viewport, {390, 320});
  QTest::keyClick(view.get(), Qt::Key_Escape);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {390, 320});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));

  QTest::mousePress(viewport, Qt::LeftButton, {}, {419, 329});
  QTest::mouseMove(viewport, {460, 340});
  QTest::mousePress(viewport, Qt::RightButton, {}, {460, 340});
  QTest::mouseRelease(viewport, Qt::RightButton, {}, {460, 340});
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {460, 340});
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
}

TEST_F(ViewTest, EscapeCancelsARubberBand) {
  auto view = ShowSmallImage();
  QWidget* viewport = view->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, {320, 280});
  QTest::mouseMove(viewport, {400, 320});
  QTest::keyClick(view.get(), Qt::Key_Escape);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, {400, 320});
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
}

TEST_F(ViewTest, SelectAllCoversTheWholeImage) {
  document.InitImage(Filled(640, 480, kGreen));
  auto view = Show();
  DragLeft(*view, {200, 200}, {250, 250});
  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 639, 479}));
  const QImage shot = Shot(*view);  // image at (80, 60)
  EXPECT_EQ(At(shot, 80, 60), 0x000000u);
  EXPECT_EQ(At(shot, 719, 539), 0x000000u);
  EXPECT_EQ(At(shot, 720, 540), kGrey);
}

TEST_F(ViewTest, SelectionKeepsItsPlaceAndIsClampedWhenTheImageChangesSize) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  ASSERT_TRUE(document.ApplyImage(*Filled(50, 50, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 49, 49}));
  ASSERT_TRUE(document.ApplyImage(*Filled(10, 10, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), std::nullopt);
  ASSERT_TRUE(document.ApplyImage(*Filled(200, 100, kGreen), std::nullopt));
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
}

TEST_F(ViewTest, MinimumFrameOnATinyImageIsClampedToIt) {
  document.InitImage(Filled(5, 4, kGreen));
  auto view = Show();  // image at (398, 298)
  DragLeft(*view, {399, 299}, {401, 300});
  EXPECT_EQ(view->GetSelectionRect(), (Region{1, 1, 4, 3}));
}

TEST_F(ViewTest, FrameFollowsTheImageWhenTheWindowRecentresIt) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  view->resize(600, 400);  // image now at (200, 150)
  WAIT_FOR(view->viewport()->size() == QSize(600, 400));
  EXPECT_EQ(view->GetSelectionRect(), (Region{20, 30, 120, 80}));
  const QImage shot = Shot(*view);
  EXPECT_EQ(At(shot, 220, 180), 0x000000u);
  EXPECT_EQ(At(shot, 320, 230), 0x000000u);
  EXPECT_EQ(At(shot, 270, 205), Rgb(kGreen));
  // Dragging at the new place moves it.
  DragLeft(*view, {270, 200}, {275, 200});
  EXPECT_EQ(view->GetSelectionRect(), (Region{25, 30, 125, 80}));
}

TEST_F(ViewTest, SelectionFollowsScrolling) {
  document.InitImage(Pattern(2000, 1500));
  auto view = Show();
  WAIT_FOR(view->horizontalScrollBar()->isVisible());
  view->horizontalScrollBar()->setValue(300);
  view->verticalScrollBar()->setValue(200);
  DragLeft(*view, {10, 10}, {60, 40});
  EXPECT_EQ(view->GetSelectionRect(), (Region{310, 210, 360, 240}));

  view->horizontalScrollBar()->setValue(320);
  EXPECT_EQ(view->GetSelectionRect(), (Region{310, 210, 360, 240}));
  const QImage shot = Shot(*view);  // the frame moved left with the image
  EXPECT_EQ(At(shot, 40, 40), 0x000000u);
  EXPECT_NE(At(shot, 60, 40), 0x000000u);
  DragLeft(*view, {30, 25}, {40, 25});  // and is grabbed where it is now drawn
  EXPECT_EQ(view->GetSelectionRect(), (Region{320, 210, 370, 240}));

  view->OnEditSelectAll();
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 1999, 1499}));
}

TEST_F(ViewTest, CursorShowsTheFramesHandles) {
  auto view = ShowSmallImage();
  DragLeft(*view, {320, 280}, {420, 330});
  QWidget* viewport = view->viewport();
  auto hover = [&](QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    return viewport->cursor().shape();
  };
  EXPECT_EQ(hover({321, 281}), Qt::SizeFDiagCursor);
  EXPECT_EQ(hover({370, 281}), Qt::SizeVerCursor);
  EXPECT_EQ(hover({370, 300}), Qt::SizeAllCursor);
  EXPECT_EQ(hover({600, 500}), Qt::ArrowCursor);
}

}  // namespace
}  // namespace vantoria
