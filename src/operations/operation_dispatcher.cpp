#include "operations/operation_dispatcher.h"

#include <algorithm>

#include "document/vantoria_doc.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"
#include "operations/dispatcher_texts.h"

namespace vantoria {

using namespace ops;

namespace {

// The messages a preview dialog sends: a first preview opens a step, later ones rerun it.
bool IsPreviewMessage(std::uint32_t code) {
  return code == WM_OP_BRIGHTNESS_CONTRAST || code == WM_OP_TRANSPARENCY || code == WM_OP_HSL ||
         code == WM_OP_BINARIZE || code == WM_OP_ROTATE || code == WM_OP_MOSAIC;
}

bool IsFinal(WParam wParam) {
  return wParam >> 1 == kOriginFinal;
}

// The image a same-size operation writes its result into. Operations that write every pixel
// get one left uninitialised (no copy, and no pass over memory about to be overwritten); the
// 3 x 3 filters leave the border as it was, so only that is copied; anything else starts as a
// full copy.
ImagePtr StartOfResult(std::uint32_t code, const PixelImage& before) {
  switch (code) {
    case WM_OP_SHARPEN:
    case WM_OP_SOFTEN:
    case WM_OP_SKETCH: {
      ImagePtr after = AllocateImage(before.height, before.width);
      if (after) {
        static_cast<void>(CopyImageBorder(before, *after));  // same size
      }
      return after;
    }
    case WM_OP_BRIGHTNESS_CONTRAST:
    case WM_OP_TRANSPARENCY:
    case WM_OP_HSL:
    case WM_OP_INVERT:
    case WM_OP_GRAYSCALE:
    case WM_OP_BINARIZE:
    case WM_OP_REDEYE:
    case WM_OP_MIRROR:
    case WM_OP_EMBOSS:
    case WM_OP_MOSAIC:
      return AllocateImage(before.height, before.width);
    default:
      return CloneImage(before);
  }
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
    const bool rerun = IsPreviewMessage(message.code) && !NewStepBit(message.wParam);
    if (rerun || message.code == WM_OP_RESTORE) {
      m_bPreviewRefused = rerun && !IsFinal(message.wParam);
      return;
    }
    m_bPreviewRefused = false;
  }
  const HistoryStep* const current = document->GetCurrentStep();
  Route(*document, message);
  if (IsPreviewMessage(message.code) && NewStepBit(message.wParam)) {
    m_bPreviewRefused = !IsFinal(message.wParam) && document->GetCurrentStep() == current;
  }
}

void OperationDispatcher::Route(CVantoriaDoc& document, const OperationMessage& message) {
  switch (message.code) {
    case WM_OP_RESTORE:
      if (!document.RestoreCurrentStep()) {
        m_host.ShowMessage(texts::OutOfMemory());
      }
      return;
    case WM_OP_RESIZE:
      OnResize(document, message);
      return;
    case WM_OP_CROP:
      OnCrop(document, message);
      return;
    case WM_OP_ROTATE:
      OnRotate(document, message);
      return;
    default:
      break;
  }
  if (const SameSizeOperation operation = SameSizeOperationFor(message)) {
    const bool adjustable = message.code == WM_OP_BRIGHTNESS_CONTRAST ||
                            message.code == WM_OP_TRANSPARENCY || message.code == WM_OP_HSL ||
                            message.code == WM_OP_BINARIZE || message.code == WM_OP_MOSAIC;
    RunSameSize(document, message, !adjustable || NewStepBit(message.wParam), operation);
  }
}

OperationDispatcher::SameSizeOperation OperationDispatcher::SameSizeOperationFor(
    const OperationMessage& message) {
  const WParam w = message.wParam;
  const LParam l = message.lParam;
  switch (message.code) {
    case WM_OP_BRIGHTNESS_CONTRAST: {
      const BrightnessContrast values = DecodeBrightnessContrast(l);
      return [values](const PixelImage& s, PixelImage& d) {
        AdjustBrightnessContrast(s, d, values.brightness, values.contrast);
      };
    }
    case WM_OP_TRANSPARENCY:
      return [t = DecodeTransparency(l)](const PixelImage& s, PixelImage& d) {
        AdjustTransparency(s, d, t);
      };
    case WM_OP_HSL: {
      const HslOffsets offsets = DecodeHsl(l);
      return [offsets](const PixelImage& s, PixelImage& d) {
        AdjustHueSaturationLightness(s, d, offsets.hue, offsets.saturation, offsets.lightness);
      };
    }
    case WM_OP_INVERT:
      return InvertColors;
    case WM_OP_GRAYSCALE:
      switch (GrayscaleSelector(w)) {
        case kGrayMaximum:
          return GrayscaleByMaximum;
        case kGrayAverage:
          return GrayscaleByAverage;
        case kGrayWeighted:
          return GrayscaleByWeightedAverage;
        default:
          return {};
      }
    case WM_OP_BINARIZE:
      return [t = DecodeThreshold(l)](const PixelImage& s, PixelImage& d) { Binarize(s, d, t); };
    case WM_OP_REDEYE:
      return RemoveRedEye;
    case WM_OP_MIRROR:
      return MirrorIsVertical(w) ? MirrorVertical : MirrorHorizontal;
    case WM_OP_SHARPEN:
      if (!SharpenAccepted(w)) {
        return {};
      }
      return [](const PixelImage& s, PixelImage& d) {
        SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor);
      };
    case WM_OP_SOFTEN: {
      const WParam method = SoftenSelector(w);
      if (method == kSoftenMedian) {
        return [](const PixelImage& s, PixelImage& d) {
          MedianFilter(s, d, kSmoothKernels[kSoftenMedian], kSmoothDivisors[kSoftenMedian]);
        };
      }
      if (method != kSoftenBox && method != kSoftenGaussian) {
        return {};
      }
      return [method](const PixelImage& s, PixelImage& d) {
        SmoothWithKernel(s, d, kSmoothKernels[method], kSmoothDivisors[method]);
      };
    }
    case WM_OP_EMBOSS:
      return Emboss;
    case WM_OP_MOSAIC: {
      const unsigned blockSize = DecodeBlockSize(l);
      if (blockSize == 0) {
        return {};
      }
      return [blockSize](const PixelImage& s, PixelImage& d) { Mosaic(s, d, blockSize); };
    }
    case WM_OP_SKETCH:
      return Sketch;
    default:
      return {};
  }
}

void OperationDispatcher::RunSameSize(CVantoriaDoc& document, const OperationMessage& message,
                                      bool newStep, const SameSizeOperation& operation) {
  if (newStep) {
    OpenSameSizeStep(document, message, operation);
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
  operation(*step->before, *step->after);
  if (!document.ApplyImage(*step->after, step->region)) {
    m_host.ShowMessage(texts::OutOfMemory());
  }
}

void OperationDispatcher::OpenSameSizeStep(CVantoriaDoc& document, const OperationMessage& message,
                                           const SameSizeOperation& operation) {
  const PixelImage& image = *document.GetImage();
  const std::optional<Region> region = SelectionInside(image);
  const std::size_t areaBytes =
      region ? static_cast<std::size_t>(region->width()) * region->height() * sizeof(Pixel)
             : image.byteSize();
  if (!ReportIfTooLarge(document, 2 * areaBytes)) {
    return;
  }
  ImagePtr before = region ? CropImage(image, *region) : CloneImage(image);
  ImagePtr after = before ? StartOfResult(message.code, *before) : nullptr;
  if (after) {
    operation(*before, *after);
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

bool OperationDispatcher::ReportIfTooLarge(const CVantoriaDoc& document, std::size_t bytes) {
  if (document.StepFitsBudget(bytes)) {
    return true;
  }
  m_host.ShowMessage(texts::StepTooLarge());
  return false;
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
