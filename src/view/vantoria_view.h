#pragma once

#include <QAbstractScrollArea>
#include <memory>
#include <optional>

#include "core/region.h"
#include "view/zoom.h"

namespace vantoria {

class CVantoriaDoc;

// One window onto a document's image: at 100 % one image pixel to one device pixel, centred on
// grey when smaller than the window and scrolled when larger, with the user's selection frame
// on top. Each view has its own zoom; the selection is kept in image pixels at every zoom.
// Several views may show the same document; each repaints when the document's image changes.
class CVantoriaView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CVantoriaView(CVantoriaDoc* document, QWidget* parent = nullptr);
  ~CVantoriaView() override;

  CVantoriaDoc* GetDocument() const;

  // The selection in image pixels, clamped to the current image; none when there is no
  // selection or it misses the image.
  std::optional<Region> GetSelectionRect() const;
  void OnEditSelectAll();
  // Removes the selection, so the next drag on the image starts a new one.
  void OnEditSelectNone();
  // The selection, or the whole picture without one, with its alpha; null without a picture.
  QImage SelectionImage() const;
  void OnEditCopy();

  // --- zoom (view_zoom.cpp) ---
  Zoom GetZoom() const;
  // Keeps the image point under `anchor` (viewport coordinates) in place; the centre without.
  void SetZoom(Zoom zoom, std::optional<QPointF> anchor = std::nullopt);
  void ZoomIn();
  void ZoomOut();
  void ZoomActual();
  void ZoomFit();
  // Fits the picture when it is larger than the window; true when it did.
  bool FitIfLarger();
  // The image pixel under the mouse pointer; none off the image.
  std::optional<QPoint> PixelUnderPointer() const;
  QSize ImageSize() const;

  // The commands of the Edit, Image and Filter menus and the toolbar's image buttons.
  static bool IsViewCommand(int id);
  // Of those, the ones that open a parameter dialog.
  static bool IsDialogCommand(int id);
  // Of those, the ones added beside the first 26: zoom, clearing the selection, copying.
  static bool IsZoomCommand(int id);
  // Runs a view command: select all, undo, redo, open a dialog, or post an operation message.
  void OnCommand(int id);
  void OnZoomCommand(int id);

 signals:
  // The picture, the zoom, the pixel under the pointer or the selection changed: the status
  // bar follows.
  void viewStateChanged();

 private:
  // --- display and scrolling (vantoria_view.cpp, view_paint.cpp) ---
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void OnDocumentChanged();
  void UpdateScrollBars();
  // Device pixels: the viewport's size, and a viewport point.
  QSize DeviceSize() const;
  QPoint ToDevice(QPointF point) const;
  // Where the zoomed image lies in the viewport, in device pixels, following the scroll position.
  Region ImageRectOnScreen() const;
  // The image pixel that covers a device point of the viewport.
  QPoint ImagePixelAt(QPoint device) const;
  void RebuildDisplayImage();
  void DrawImage(QPainter& painter);
  const QImage& ReducedImage();
  // The display halved, kept while the zoom is at most one half so that zoom steps start
  // from it; the display itself at larger zooms or when the budget cannot hold the copy.
  const QImage& HalvedDisplay(QSize reduced);
  void DrawTracker(QPainter& painter);

  // --- selection (view_selection.cpp) ---
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  // The frame as drawn: device pixels, handles of their on-screen size.
  class RectTracker ScreenTracker() const;
  void TrackPointer(QPoint device);
  // Zoom and scrolling move the picture under a pointer that stays still: read it again.
  void RetrackPointer();
  void AnchorTracker();
  void OnLButtonDown(QPoint point);
  void FinishTracking();
  void KeepFrameOnImage(const Region& image);
  void UpdateCursor(QPoint point);

  struct Private;
  std::unique_ptr<Private> d;
};

}  // namespace vantoria
