// The edit path end to end: messages through the dispatcher into the document and its
// history, then the display conversion the view does before repainting.

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/document_manager.h"
#include "bench_image.h"
#include "comparison.h"
#include "core/pixel_image.h"
#include "core/testing_hooks.h"
#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"
#include "operations/operation_messages.h"
#include "view/view_private.h"

namespace vantoria::bench {
namespace {

using namespace ops;

struct EditPath : DispatchHost {
  CVantoriaDoc document;
  OperationDispatcher dispatcher{*this};
  QImage display;  // the view's converted picture, reused as the view reuses it
  int value = 0;   // varies the slider values from rerun to rerun

  CVantoriaDoc* ActiveDocument() override { return &document; }
  std::optional<Region> GetSelectionRect() override { return std::nullopt; }
  void ShowMessage(const QString& text) override {
    std::fprintf(stderr, "vantoria-bench: %s\n", qPrintable(text));
  }

  // As the program does after every message: memory for the next edit is readied meanwhile.
  void Post(std::uint32_t code, WParam w = 0, LParam l = 0) {
    dispatcher.Dispatch({code, w, l});
    PrepareSparePixels(document.GetImage()->pixelCount());
  }
  void Repaint() { static_cast<void>(ComposeOverBlack(*document.GetImage(), display)); }
  int NextValue() { return value = (value + 7) % 100; }
};

// A rerun's slider values differ from the last, as when a slider moves.
Run Preview(const std::shared_ptr<EditPath>& path, std::uint32_t code, bool first) {
  return [path, code, first] {
    const int v = path->NextValue();
    const LParam values = code == WM_OP_HSL ? PackHsl(v - 50, v / 2, -v / 3)
                                            : PackBrightnessContrast(v - 50, 30 - v / 2);
    path->Post(code, PackWParam(kOriginFirstControl, first), values);
    path->Repaint();
  };
}

// Ctrl+S on the edited document, a while after the edit: the longest the event loop waits,
// from the copy taken on this thread to the end of the worker's encoding, by a 1 ms timer.
Row SaveBlockRow(const std::shared_ptr<EditPath>& path) {
  auto documents = std::make_shared<CDocManager>();
  path->document.SetPathName(QDir::temp().filePath("vantoria-bench-save.png"));
  Row row("save_png_longest_event_loop_block", {}, {}, {.maxMilliseconds = 100.0}, [path] {
    path->Post(WM_OP_INVERT);
    WaitForSparePixels();
  });
  row.figure = [path, documents] {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    const auto tick = [&] {
      longest = std::max(longest, clock.nsecsElapsed() - last);
      last = clock.nsecsElapsed();
    };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start(1);
    if (!documents->DoFileSave(&path->document)) {
      std::fprintf(stderr, "vantoria-bench: the save did not start\n");
    }
    documents->WaitForSaves();
    tick();
    return static_cast<double>(longest) / 1e6;
  };
  return row;
}

}  // namespace

std::vector<Row> EditPathRows() {
  auto path = std::make_shared<EditPath>();
  path->document.InitImage(CloneImage(SourceImage()));
  // Room for a few whole-image steps: older ones are dropped as in a long session.
  path->document.SetHistoryBudget(std::size_t{1} << 30);
  path->Repaint();
  const Goal pointRerun = {.maxMilliseconds = 100.0};
  const Goal otherRerun = {.maxMilliseconds = 250.0};
  const Goal undoRedo = {.maxMilliseconds = 50.0};
  const Run cancel = [path] {
    path->Post(WM_OP_RESTORE);
    path->Repaint();
  };
  return {
      {"edit_invert_repainted",
       [path] {
         path->Post(WM_OP_INVERT);
         path->Repaint();
       },
       {},
       {}},
      {"edit_undo_repainted",
       [path] {
         static_cast<void>(path->document.Undo());
         path->Repaint();
       },
       {},
       undoRedo},
      {"edit_redo_repainted",
       [path] {
         static_cast<void>(path->document.Redo());
         path->Repaint();
       },
       {},
       undoRedo},
      // A dialog opens some time after the last edit, long enough for the memory it needs.
      {"edit_bc_first_preview_repainted",
       Preview(path, WM_OP_BRIGHTNESS_CONTRAST, true),
       {},
       {},
       WaitForSparePixels},
      {"edit_bc_rerun_repainted", Preview(path, WM_OP_BRIGHTNESS_CONTRAST, false), {}, pointRerun},
      {"edit_bc_cancel_repainted", cancel, {}, {}},
      {"edit_hsl_first_preview_repainted",
       Preview(path, WM_OP_HSL, true),
       {},
       {},
       WaitForSparePixels},
      {"edit_hsl_rerun_repainted", Preview(path, WM_OP_HSL, false), {}, otherRerun},
      {"edit_hsl_cancel_repainted", cancel, {}, {}},
      {"display_conversion", [path] { path->Repaint(); }, {}, {}},
      SaveBlockRow(path),
  };
}

}  // namespace vantoria::bench
