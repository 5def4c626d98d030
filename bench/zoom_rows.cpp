// The view's picture at other zooms than 100 %: a fitted 24-megapixel photo painted into a
// 1600 x 1000 window, the reduced picture rebuilt after an edit (beside the edit itself and
// beside Qt's smooth reduction in one step), a zoom step in from the fit, and a frame at 400 %.

#include <QImage>
#include <QPainter>
#include <memory>

#include "bench_image.h"
#include "comparison.h"
#include "imaging/colour_ops.h"
#include "view/view_private.h"
#include "view/zoom.h"

namespace vantoria::bench {
namespace {

constexpr QSize kWindow(1600, 1000);

struct ZoomedDisplay {
  QImage display;  // the picture at 100 %
  Zoom fit;
  QImage reduced;  // the picture at the fitted zoom
  QImage halved;   // the picture at 50 %
  QImage screen{kWindow, QImage::Format_RGB32};
  ImagePtr edited = AllocateImage(kSourceHeight, kSourceWidth);
};

void Paint(QImage& screen, const QImage& picture) {
  QPainter painter(&screen);
  painter.fillRect(screen.rect(), QColor(0x80, 0x80, 0x80));
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(0, 0), picture);
}

}  // namespace

std::vector<Row> ZoomRows() {
  auto state = std::make_shared<ZoomedDisplay>();
  static_cast<void>(ComposeOverBlack(SourceImage(), state->display));
  state->fit =
      FitZoom(kWindow.width(), kWindow.height(), state->display.width(), state->display.height());
  const QSize fitted(state->fit.Length(state->display.width()),
                     state->fit.Length(state->display.height()));
  state->reduced = ReduceForDisplay(state->display, fitted);
  state->halved = ReduceForDisplay(state->display, QSize(kSourceWidth / 2, kSourceHeight / 2));
  const Goal frame = {.maxMilliseconds = 16.0};
  return {
      // Every paint while fitted: grey around, the cached reduced picture copied.
      {"display_fitted_24MP_paint", [state] { Paint(state->screen, state->reduced); }, {}, frame},
      // The edit whose result the view shows next, on the whole picture.
      {"display_fitted_24MP_edit_invert",
       [state] { static_cast<void>(InvertColors(SourceImage(), *state->edited)); },
       {},
       {}},
      // After an edit or a preview: the reduced picture made again, halved, then area-averaged.
      {"display_fitted_24MP_reduce",
       [state, fitted] { state->reduced = ReduceForDisplay(state->display, fitted); },
       {},
       {}},
      // The same in one smooth reduction from the whole picture, as it was made before.
      {"display_fitted_24MP_reduce_1step",
       [state, fitted] {
         state->reduced =
             state->display.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
       },
       {},
       {}},
      // One zoom step in from the fit (to 1/3): the reduced picture made again from the halved
      // copy the view keeps at such zooms, and painted.
      {"display_zoom_step_24MP_frame",
       [state] {
         const Zoom third{1, 3};
         Paint(state->screen, ReduceForDisplay(state->halved, QSize(third.Length(kSourceWidth),
                                                                    third.Length(kSourceHeight))));
       },
       {},
       frame},
      // Every paint at 400 %: the window's part of the picture as sharp blocks.
      {"display_400pct_frame",
       [state] {
         QPainter painter(&state->screen);
         painter.drawImage(QPoint(0, 0), EnlargeForDisplay(state->display, {4, 1},
                                                           QRect(QPoint(4000, 4000), kWindow)));
       },
       {},
       frame},
  };
}

}  // namespace vantoria::bench
