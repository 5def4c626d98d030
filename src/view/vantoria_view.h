#pragma once

#include <QAbstractScrollArea>
#include <memory>
#include <optional>

#include "core/region.h"

namespace vantoria {

class CVantoriaDoc;

// One window onto a document's image: the image at natural size, centred on grey when smaller
// than the window and scrolled when larger, with the user's selection frame on top. Several
// views may show the same document; each repaints when the document's image changes.
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

  // The commands of the Edit, Image and Filter menus and the toolbar's image buttons.
  static bool IsViewCommand(int id);
  // Of those, the ones that open a parameter dialog.
  static bool IsDialogCommand(int id);
  // Runs a view command: select all, undo, redo, open a dialog, or post an operation message.
  void OnCommand(int id);

 private:
  // --- display and scrolling (vantoria_view.cpp, view_paint.cpp) ---
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void OnDocumentChanged();
  void UpdateScrollBars();
  QSize ImageSize() const;
  // Where the image lies in the window, following the scroll position.
  Region ImageRectOnScreen() const;
  void RebuildDisplayImage();
  void DrawImage(QPainter& painter, const QRect& dirty) const;
  void DrawTracker(QPainter& painter);

  // --- selection (view_selection.cpp) ---
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void AnchorTracker();
  void OnLButtonDown(QPoint point);
  void FinishTracking();
  void KeepFrameOnImage(const Region& image);
  void UpdateCursor(QPoint point);

  struct Private;
  std::unique_ptr<Private> d;
};

}  // namespace vantoria
