#include "document/vantoria_doc.h"

namespace vantoria {

CVantoriaDoc::CVantoriaDoc(QObject* parent) : CDocument(parent) {
  ProgramMemoryBudget().AddReclaimer(this);
}

CVantoriaDoc::~CVantoriaDoc() {
  ProgramMemoryBudget().RemoveReclaimer(this);
}

void CVantoriaDoc::SetModifiedByHistory() {
  SetModifiedFlag(m_pCurrentStep != nullptr || m_bBaseDiffersFromFile);
}

void CVantoriaDoc::InitImage(ImagePtr image, CameraData cameraData) {
  m_cameraData = std::move(cameraData);
  m_history.RemoveAll();
  m_pCurrentStep = nullptr;
  m_bBaseDiffersFromFile = false;
  m_pImage = std::move(image);
  m_imageCharge = ProgramMemoryBudget().ReserveChecked(m_pImage ? m_pImage->byteSize() : 0);
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
    // Charged before the copy is made: old and new picture are both held until it is.
    MemoryReservation charge = ProgramMemoryBudget().Reserve(image.byteSize());
    ImagePtr copy = charge ? CloneImage(image) : nullptr;
    if (!copy) {
      return false;
    }
    m_pImage = std::move(copy);
    m_imageCharge = std::move(charge);
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
  m_pCurrentStep = next;
  if (!ApplyImage(*next->after, next->region)) {
    m_pCurrentStep = next->older;  // read anew: making room may have dropped the step before
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
  // Charged once appended, so that the step before, now older than the current one, may go.
  m_pCurrentStep->stamp = ProgramMemoryBudget().NextStamp();
  m_pCurrentStep->charge = ProgramMemoryBudget().ReserveChecked(needed);
  return m_pCurrentStep;
}

void CVantoriaDoc::FitHistoryInBudget() {
  // Only steps older than the current one are dropped: those are applied, as DropOldestStep
  // expects, and the current step stays undoable.
  while (m_pCurrentStep && m_history.oldest() != m_pCurrentStep &&
         m_history.byteSize() > m_nHistoryBudget) {
    DropOldestStep();
  }
  if (m_pCurrentStep &&
      !ProgramMemoryBudget().Resize(m_pCurrentStep->charge, m_pCurrentStep->byteSize())) {
    // The caller asked the budget first; keep the count exact all the same.
    m_pCurrentStep->charge = ProgramMemoryBudget().ReserveChecked(m_pCurrentStep->byteSize());
  }
}

bool CVantoriaDoc::EditFits(std::size_t stepBytes, std::size_t pictureBytes) const {
  return stepBytes <= m_nHistoryBudget &&
         ProgramMemoryBudget().Fits(stepBytes + pictureBytes, FreedByNewStep());
}

std::size_t CVantoriaDoc::FreedByNewStep() const {
  std::size_t bytes = 0;
  for (const HistoryStep* step = m_pCurrentStep ? m_pCurrentStep : StepToRedo(); step;
       step = step->newer.get()) {
    bytes += step->byteSize();
  }
  return bytes;
}

std::optional<std::uint64_t> CVantoriaDoc::OldestStamp() const {
  const HistoryStep* oldest = m_history.oldest();
  if (!m_pCurrentStep || oldest == m_pCurrentStep) {
    return std::nullopt;  // the current step stays undoable, and unapplied steps stay whole
  }
  return oldest->stamp;
}

std::size_t CVantoriaDoc::ReclaimableBytes() const {
  std::size_t bytes = 0;
  for (const HistoryStep* step = m_history.oldest(); step && step != m_pCurrentStep;
       step = step->newer.get()) {
    bytes += step->byteSize();
  }
  return m_pCurrentStep ? bytes : 0;
}

void CVantoriaDoc::DropOldest() {
  DropOldestStep();
  SetModifiedByHistory();
}

bool CVantoriaDoc::CommitStep(HistoryStepPtr step) {
  // A result of another size needs a picture of its own. Make it before older steps are
  // dropped to make room, so that a refusal for memory costs the user no undo step.
  const bool newSize = !step->region && !(m_pImage && SameSize(*m_pImage, *step->after));
  const std::size_t pictureBytes = newSize ? step->after->byteSize() : 0;
  if (!ProgramMemoryBudget().Fits(step->byteSize() + pictureBytes, FreedByNewStep())) {
    return false;
  }
  ImagePtr resized;
  if (newSize) {
    resized = CloneImage(*step->after);
    if (!resized) {
      return false;
    }
  }
  HistoryStep* opened = OpenStep(std::move(step));
  if (resized) {
    m_pImage = std::move(resized);
    m_imageCharge = ProgramMemoryBudget().ReserveChecked(pictureBytes);
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
