#pragma once

#include <QString>
#include <optional>

#include "core/pixel_image.h"
#include "core/region.h"
#include "operations/operation_messages.h"

namespace vantoria {

class CVantoriaDoc;
namespace ops {
struct OperationRow;
}

// What the dispatcher needs of whoever drives it: the application, the batch tool or a test.
class DispatchHost {
 public:
  virtual ~DispatchHost() = default;
  // The document the message is for; none when no image window is active.
  virtual CVantoriaDoc* ActiveDocument() = 0;
  // The active view's selection in image pixels; none when there is none.
  virtual std::optional<Region> GetSelectionRect() = 0;
  virtual void ShowMessage(const QString& text) = 0;
};

// Runs each operation message on the active document as an undoable step: previews rerun
// into the step their first message opened, restore takes that step back. Messages that
// cannot apply (no document, no image, a parameter out of range) are ignored.
class OperationDispatcher {
 public:
  explicit OperationDispatcher(DispatchHost& host) : m_host(host) {}

  void Dispatch(const ops::OperationMessage& message);

 private:
  // Hands the message to the handler its row names; messages without a row, or with values
  // the handler ignores, go nowhere.
  void Route(CVantoriaDoc& document, const ops::OperationMessage& message);
  void RunSameSize(CVantoriaDoc& document, const ops::OperationRow& row,
                   const ops::OperationMessage& message);
  void OpenSameSizeStep(CVantoriaDoc& document, const ops::OperationRow& row,
                        const ops::OperationMessage& message);
  void OnResize(CVantoriaDoc& document, const ops::OperationRow& row,
                const ops::OperationMessage& message);
  void OnCrop(CVantoriaDoc& document, const ops::OperationMessage& message);
  void OnRotate(CVantoriaDoc& document, const ops::OperationRow& row,
                const ops::OperationMessage& message);

  // The selection clamped to the image; none when it misses the image.
  std::optional<Region> SelectionInside(const PixelImage& image);
  // False, with the reason shown, when a step of `bytes`, and a new picture of `pictureBytes`
  // beside it, cannot be held.
  [[nodiscard]] bool ReportIfTooLarge(const CVantoriaDoc& document, std::size_t bytes,
                                      std::size_t pictureBytes = 0);
  // Opens a step whose images are already made and shows its result.
  void Commit(CVantoriaDoc& document, const ops::OperationMessage& message,
              std::optional<Region> region, ImagePtr before, ImagePtr after);

  DispatchHost& m_host;
  // Set while the dialog whose first preview was refused is still sending.
  bool m_bPreviewRefused = false;
};

}  // namespace vantoria
