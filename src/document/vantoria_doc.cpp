#include "document/vantoria_doc.h"

#include "document/image_codecs.h"

namespace vantoria {

CVantoriaDoc::CVantoriaDoc(QObject* parent)
    : CDocument(parent), m_nHistoryBudget(DefaultImageByteLimit()) {}

CVantoriaDoc::~CVantoriaDoc() = default;

void CVantoriaDoc::SetModifiedByHistory() {
  SetModifiedFlag(m_pCurrentStep != nullptr || m_bBaseDiffersFromFile);
}

void CVantoriaDoc::InitImage(ImagePtr image) {
  m_history.RemoveAll();
  m_pCurrentStep = nullptr;
  m_bBaseDiffersFromFile = false;
  m_pImage = std::move(image);
  ++m_nImageVersion;
  SetModifiedFlag(false);
  UpdateAllViews();
}

bool CVantoriaDoc::ApplyImage(const PixelImage& image, const std::optional<Region>& region) {
  if (region) {
    // A region outside the image cannot come from a consistent history; never write past it.
    if (m_pImage && RegionInside(*region, *m_pImage)) {
      static_cast<void>(PasteImage(image, *m_pImage, *region));
    }
  } else if (m_pImage && SameSize(*m_pImage, image)) {
    static_cast<void>(
        CopyImagePixels(image, *m_pImage));  // reuse the buffer: no allocation, no page faults
  } else {
    ImagePtr copy = CloneImage(image);
    if (!copy) {
      return false;
    }
    m_pImage = std::move(copy);
  }
  ShowChangedImage();
  return true;
}

void CVantoriaDoc::ShowChangedImage() {
  ++m_nImageVersion;
  SetModifiedByHistory();
  UpdateAllViews();
}

bool CVantoriaDoc::Undo() {
  if (!m_pCurrentStep) {
    return false;
  }
  HistoryStep* undone = m_pCurrentStep;
  if (!ApplyImage(*undone->before, undone->region)) {
    return false;
  }
  m_pCurrentStep = undone->older;
  SetModifiedByHistory();
  return true;
}

bool CVantoriaDoc::Redo() {
  HistoryStep* next = StepToRedo();
  if (!next) {
    return false;
  }
  HistoryStep* previous = m_pCurrentStep;
  m_pCurrentStep = next;
  if (!ApplyImage(*next->after, next->region)) {
    m_pCurrentStep = previous;
    return false;
  }
  return true;
}

void CVantoriaDoc::DiscardRedoBranch() {
  if (m_pCurrentStep) {
    m_history.TruncateFrom(m_pCurrentStep->newer.get());
  } else {
    m_history.RemoveAll();
  }
}

void CVantoriaDoc::DropOldestStep() {
  HistoryStep* oldest = m_history.oldest();
  if (oldest == m_pCurrentStep) {
    m_pCurrentStep = nullptr;
  }
  // Every step left is applied (the redo branch is gone), so the dropped one was too.
  m_bBaseDiffersFromFile = true;
  m_history.Remove(oldest);
}

HistoryStep* CVantoriaDoc::OpenStep(HistoryStepPtr step) {
  DiscardRedoBranch();
  const std::size_t needed = step->byteSize();
  while (!m_history.empty() && m_history.byteSize() + needed > m_nHistoryBudget) {
    DropOldestStep();
  }
  m_pCurrentStep = m_history.Append(std::move(step));
  return m_pCurrentStep;
}

void CVantoriaDoc::FitHistoryInBudget() {
  // Only steps older than the current one are dropped: those are applied, as DropOldestStep
  // expects, and the current step stays undoable.
  while (m_pCurrentStep && m_history.oldest() != m_pCurrentStep &&
         m_history.byteSize() > m_nHistoryBudget) {
    DropOldestStep();
  }
}

bool CVantoriaDoc::CommitStep(HistoryStepPtr step) {
  // A result of another size needs a picture of its own. Make it before older steps are
  // dropped to make room, so that a refusal for memory costs the user no undo step.
  ImagePtr resized;
  if (!step->region && !(m_pImage && SameSize(*m_pImage, *step->after))) {
    resized = CloneImage(*step->after);
    if (!resized) {
      return false;
    }
  }
  HistoryStep* opened = OpenStep(std::move(step));
  if (resized) {
    m_pImage = std::move(resized);
    ShowChangedImage();
    return true;
  }
  return ApplyImage(*opened->after, opened->region);  // in place: nothing to allocate
}

bool CVantoriaDoc::RestoreCurrentStep() {
  HistoryStep* restored = m_pCurrentStep;
  if (!restored) {
    return true;
  }
  if (!Undo()) {
    return false;
  }
  m_history.TruncateFrom(restored);
  return true;
}

}  // namespace vantoria
