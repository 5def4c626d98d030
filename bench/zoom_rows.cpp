// The view's picture at other zooms than 100 %: a fitted 24-megapixel photo painted into a
// 1600 x 1000 window, the reduced picture rebuilt after an edit, and a frame at 400 %.

#include <QImage>
#include <QPainter>
#include <memory>

#include "bench_image.h"
#include "comparison.h"
#include "view/view_private.h"
#include "view/zoom.h"

namespace vantoria::bench {
namespace {

constexpr QSize kWindow(1600, 1000);

struct ZoomedDisplay {
  QImage display;  // the picture at 100 %
  Zoom fit;
  QImage reduced;  // the picture at the fitted zoom
  QImage screen{kWindow, QImage::Format_RGB32};
};

}  // namespace

std::vector<Row> ZoomRows() {
  auto state = std::make_shared<ZoomedDisplay>();
  static_cast<void>(ComposeOverBlack(SourceImage(), state->display));
  state->fit =
      FitZoom(kWindow.width(), kWindow.height(), state->display.width(), state->display.height());
  const QSize fitted(state->fit.Length(state->display.width()),
                     state->fit.Length(state->display.height()));
  state->reduced = ReduceForDisplay(state->display, fitted);
  const Goal frame = {.maxMilliseconds = 16.0};
  return {
      // Every paint while fitted: grey around, the cached reduced picture copied.
      {"display_fitted_24MP_paint",
       [state] {
         QPainter painter(&state->screen);
         painter.fillRect(QRect(QPoint(0, 0), kWindow), QColor(0x80, 0x80, 0x80));
         painter.setCompositionMode(QPainter::CompositionMode_Source);
         painter.drawImage(QPoint(0, 0), state->reduced);
       },
       {},
       frame},
      // After an edit or a preview: the reduced picture made again.
      {"display_fitted_24MP_reduce",
       [state, fitted] { state->reduced = ReduceForDisplay(state->display, fitted); },
       {},
       {}},
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
