#include "operations/operation_dispatcher.h"

#include <algorithm>

#include "document/vantoria_doc.h"
#include "imaging/geometry_ops.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_table.h"

namespace vantoria {

using namespace ops;

namespace {

// A message a preview dialog sends: a first preview opens a step, later ones rerun it.
bool IsPreviewMessage(const OperationMessage& message) {
  const OperationRow* row = FindOperation(message.code, message.wParam);
  return row && row->previews;
}

bool IsFinal(WParam wParam) {
  return wParam >> 1 == kOriginFinal;
}

// The image a same-size operation writes its result into, as its row says.
ImagePtr StartOfResult(ResultStart start, const PixelImage& before) {
  switch (start) {
    case ResultStart::kUninitialised:
      return AllocateImage(before.height, before.width);
    case ResultStart::kBorderCopied: {
      ImagePtr after = AllocateImage(before.height, before.width);
      if (after) {
        static_cast<void>(CopyImageBorder(before, *after));  // same size
      }
      return after;
    }
    case ResultStart::kFullCopy:
    case ResultStart::kMadeByRoutine:
      break;
  }
  return CloneImage(before);
}

}  // namespace

void OperationDispatcher::Dispatch(const OperationMessage& message) {
  CVantoriaDoc* document = m_host.ActiveDocument();
  if (!document || !document->HasImage()) {
    return;
  }
  // A dialog whose first preview opened no step (refused for memory) still sends its reruns
  // and, on Cancel, the restore message. They would land on the step before, an earlier edit,
  // and Cancel would throw that edit away: they are ignored until the dialog has closed.
  if (m_bPreviewRefused) {
    const bool rerun = IsPreviewMessage(message) && !NewStepBit(message.wParam);
    if (rerun || message.code == WM_OP_RESTORE) {
      m_bPreviewRefused = rerun && !IsFinal(message.wParam);
      return;
    }
    m_bPreviewRefused = false;
  }
  const HistoryStep* const current = document->GetCurrentStep();
  const bool firstPreview =
      IsPreviewMessage(message) && NewStepBit(message.wParam) && !IsFinal(message.wParam);
  // Counted as refused until its step exists: a refusal shows a message box, whose nested
  // event loop delivers the dialog's next reruns before Route returns.
  m_bPreviewRefused = firstPreview;
  Route(*document, message);
  if (firstPreview) {
    m_bPreviewRefused = document->GetCurrentStep() == current;
  }
}

void OperationDispatcher::Route(CVantoriaDoc& document, const OperationMessage& message) {
  if (message.code == WM_OP_RESTORE) {
    if (!document.RestoreCurrentStep()) {
      m_host.ShowMessage(texts::OutOfMemory());
    }
    return;
  }
  const OperationRow* row = FindOperation(message.code, message.wParam);
  if (!row || !HandlerAccepts(*row, message.lParam)) {
    return;
  }
  switch (row->shape) {
    case Shape::kSameSize:
      RunSameSize(document, *row, message);
      return;
    case Shape::kResize:
      OnResize(document, *row, message);
      return;
    case Shape::kCrop:
      OnCrop(document, message);
      return;
    case Shape::kRotate:
      OnRotate(document, *row, message);
      return;
  }
}

void OperationDispatcher::RunSameSize(CVantoriaDoc& document, const OperationRow& row,
                                      const OperationMessage& message) {
  if (!row.previews || NewStepBit(message.wParam)) {
    OpenSameSizeStep(document, row, message);
    return;
  }
  // A rerun belongs to the step its dialog opened, which is the newest; anything else has no
  // step to rerun into (a step with newer ones would leave them built on its old result).
  HistoryStep* step = document.GetCurrentStep();
  if (!step || step->newer || step->message != message.code ||
      !SameSize(*step->before, *step->after)) {
    return;
  }
  step->wParam = message.wParam;
  step->lParam = message.lParam;
  row.routine(*step->before, *step->after, message.lParam);
  if (!document.ApplyImage(*step->after, step->region)) {
    m_host.ShowMessage(texts::OutOfMemory());
  }
}

void OperationDispatcher::OpenSameSizeStep(CVantoriaDoc& document, const OperationRow& row,
                                           const OperationMessage& message) {
  const PixelImage& image = *document.GetImage();
  const std::optional<Region> region = SelectionInside(image);
  const std::size_t areaBytes =
      region ? static_cast<std::size_t>(region->width()) * region->height() * sizeof(Pixel)
             : image.byteSize();
  if (!ReportIfTooLarge(document, 2 * areaBytes)) {
    return;
  }
  ImagePtr before = region ? CropImage(image, *region) : CloneImage(image);
  ImagePtr after = before ? StartOfResult(row.start, *before) : nullptr;
  if (after) {
    row.routine(*before, *after, message.lParam);
  }
  Commit(document, message, region, std::move(before), std::move(after));
}

std::optional<Region> OperationDispatcher::SelectionInside(const PixelImage& image) {
  std::optional<Region> selection = m_host.GetSelectionRect();
  if (!selection) {
    return std::nullopt;
  }
  const Region clamped{std::max(selection->left, 0), std::max(selection->top, 0),
                       std::min(selection->right, image.width - 1),
                       std::min(selection->bottom, image.height - 1)};
  if (!RegionInside(clamped, image)) {
    return std::nullopt;
  }
  return clamped;
}

bool OperationDispatcher::ReportIfTooLarge(const CVantoriaDoc& document, std::size_t bytes,
                                           std::size_t pictureBytes) {
  if (!document.StepFitsBudget(bytes)) {
    m_host.ShowMessage(texts::StepTooLarge());
    return false;
  }
  if (!document.EditFits(bytes, pictureBytes)) {
    m_host.ShowMessage(texts::OutOfMemory());
    return false;
  }
  return true;
}

void OperationDispatcher::Commit(CVantoriaDoc& document, const OperationMessage& message,
                                 std::optional<Region> region, ImagePtr before, ImagePtr after) {
  if (!before || !after) {
    m_host.ShowMessage(texts::OutOfMemory());
    return;
  }
  HistoryStepPtr step = CreateHistoryStep(message.code, region, message.wParam, message.lParam,
                                          std::move(before), std::move(after));
  if (!document.CommitStep(std::move(step))) {
    m_host.ShowMessage(texts::OutOfMemory());
  }
}

}  // namespace vantoria
