// The operations that change the image's size: they work on the whole image whatever is
// selected (crop uses the selection only as its rectangle) and store whole images in the step.
#include "core/memory_budget.h"
#include "document/vantoria_doc.h"
#include "imaging/geometry_ops.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "operations/operation_table.h"

namespace vantoria {

using namespace ops;

namespace {

std::size_t PixelBytes(std::int64_t height, std::int64_t width) {
  return static_cast<std::size_t>(height) * static_cast<std::size_t>(width) * sizeof(Pixel);
}

// A turned picture of another size needs a picture of its own; one of the same size is
// copied into the one there is.
std::size_t NewPictureBytes(const PixelImage& image, const TurnedSize& turned) {
  const bool same = turned.height == image.height && turned.width == image.width;
  return same ? 0 : PixelBytes(turned.height, turned.width);
}

}  // namespace

// The size is inside the row's ranges: Route has checked it.
void OperationDispatcher::OnResize(CVantoriaDoc& document, const OperationRow& row,
                                   const OperationMessage& message) {
  const ImageSize size = DecodeSize(message.lParam);
  const PixelImage& image = *document.GetImage();
  const std::size_t resizedBytes = PixelBytes(size.height, size.width);
  if (!ReportIfTooLarge(document, image.byteSize() + resizedBytes, resizedBytes)) {
    return;
  }
  ImagePtr before = CloneImage(image);
  ImagePtr after = AllocateImage(size.height, size.width);  // the resize writes every pixel
  if (before && after) {
    row.routine(*before, *after, message.lParam);
  }
  Commit(document, message, std::nullopt, std::move(before), std::move(after));
}

void OperationDispatcher::OnCrop(CVantoriaDoc& document, const OperationMessage& message) {
  const PixelImage& image = *document.GetImage();
  const std::optional<Region> selection = SelectionInside(image);
  if (!selection) {
    m_host.ShowMessage(texts::CropNeedsSelection());
    return;
  }
  if (selection->width() == image.width && selection->height() == image.height) {
    return;
  }
  const std::size_t croppedBytes = PixelBytes(selection->height(), selection->width());
  if (!ReportIfTooLarge(document, image.byteSize() + croppedBytes, croppedBytes)) {
    return;
  }
  ImagePtr before = CloneImage(image);
  ImagePtr after = before ? CropImage(*before, *selection) : nullptr;
  Commit(document, message, std::nullopt, std::move(before), std::move(after));
}

// The angle is inside the row's range: Route has checked it.
void OperationDispatcher::OnRotate(CVantoriaDoc& document, const OperationRow& row,
                                   const OperationMessage& message) {
  const unsigned angle = DecodeAngle(message.lParam);
  const PixelImage& image = *document.GetImage();
  if (!row.previews || NewStepBit(message.wParam)) {
    // The budget is asked for the picture this angle makes, not the largest any angle could.
    const std::optional<TurnedSize> turned = RotatedSize(image.width, image.height, angle);
    const std::size_t turnedBytes = turned ? PixelBytes(turned->height, turned->width) : 0;
    if (turned && !ReportIfTooLarge(document, image.byteSize() + turnedBytes,
                                    NewPictureBytes(image, *turned))) {
      return;
    }
    ImagePtr before = CloneImage(image);
    ImagePtr after = before ? RotateImage(*before, angle) : nullptr;
    Commit(document, message, std::nullopt, std::move(before), std::move(after));
    return;
  }
  HistoryStep* step = document.GetCurrentStep();
  if (!step || step->newer || step->message != WM_OP_ROTATE) {  // as for the other reruns
    return;
  }
  // Another angle can need a larger picture than the step was opened with.
  const std::optional<TurnedSize> size =
      RotatedSize(step->before->width, step->before->height, angle);
  if (size && !ReportIfTooLarge(document,
                                step->before->byteSize() + PixelBytes(size->height, size->width))) {
    return;
  }
  // The step is not new: nothing of it is given back before the new angle is held.
  if (size && !ProgramMemoryBudget().Fits(PixelBytes(size->height, size->width) +
                                          NewPictureBytes(*document.GetImage(), *size))) {
    m_host.ShowMessage(texts::OutOfMemory());
    return;
  }
  // Shown before the step takes it: when memory runs out, picture and history stay as they
  // were, older steps included.
  ImagePtr turned = RotateImage(*step->before, angle);
  if (!turned || !document.ApplyImage(*turned, std::nullopt)) {
    m_host.ShowMessage(texts::OutOfMemory());
    return;
  }
  step->wParam = message.wParam;
  step->lParam = message.lParam;
  step->after = std::move(turned);
  document.FitHistoryInBudget();  // another angle can need a larger picture
}

}  // namespace vantoria
