#include "fuzz/document_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "operations/operation_messages.h"

namespace vantoria::fuzz {
namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "document check failed: %s\n", what);
    std::abort();
  }
}

void CheckImage(const PixelImage& image) {
  Require(image.height >= 0 && image.width >= 0, "image size is not negative");
  Require(image.pixels() != nullptr, "image has a buffer");
  Require(image.rows.size() == static_cast<std::size_t>(image.height), "one row entry per row");
  for (std::int32_t y = 0; y < image.height; ++y) {
    Require(image.rows[y] == image.pixels() + static_cast<std::size_t>(y) * image.width,
            "rows are contiguous and in order");
  }
}

bool ChangesSize(std::uint32_t message) {
  return message == ops::WM_OP_RESIZE || message == ops::WM_OP_CROP || message == ops::WM_OP_ROTATE;
}

void CheckStep(const HistoryStep& step) {
  Require(step.before && step.after, "a step holds both images");
  CheckImage(*step.before);
  CheckImage(*step.after);
  if (step.region) {
    Require(step.region->width() > 0 && step.region->height() > 0, "a step region is not empty");
    Require(
        step.before->width == step.region->width() && step.before->height == step.region->height(),
        "a step's before image has its region's size");
  }
  if (!ChangesSize(step.message)) {
    Require(SameSize(*step.before, *step.after), "a same-size step keeps its size");
  } else {
    Require(!step.region, "a step that changes the size holds whole images");
  }
}

bool Equal(const PixelImage& a, const PixelImage& b) {
  return SameSize(a, b) && std::memcmp(a.pixels(), b.pixels(), a.byteSize()) == 0;
}

// Whether `image` holds `part` at `region` (which lies inside it).
bool RegionShows(const PixelImage& image, const Region& region, const PixelImage& part) {
  if (part.width != region.width() || part.height != region.height()) {
    return false;
  }
  for (std::int32_t y = 0; y < part.height; ++y) {
    const Pixel* shown = image.rows[region.top + y] + region.left;
    if (std::memcmp(shown, part.rows[y], static_cast<std::size_t>(part.width) * sizeof(Pixel))) {
      return false;
    }
  }
  return true;
}

}  // namespace

void CheckDocument(const CVantoriaDoc& document) {
  Require(document.HasImage(), "the document keeps an image");
  const PixelImage& image = *document.GetImage();
  CheckImage(image);
  const HistoryList& history = document.GetHistory();
  const HistoryStep* older = nullptr;
  bool currentFound = document.GetCurrentStep() == nullptr;
  for (const HistoryStep* step = history.oldest(); step; step = step->newer.get()) {
    Require(step->older == older, "older links mirror newer links");
    CheckStep(*step);
    currentFound = currentFound || step == document.GetCurrentStep();
    older = step;
  }
  Require(history.newest() == older, "newest is the end of the chain");
  Require(currentFound, "the current step is in the history");
  Require(history.byteSize() <= document.GetHistoryBudget(), "the history stays in its budget");
  if (const HistoryStep* current = document.GetCurrentStep()) {
    Require(document.IsModified(), "a document with an applied step is modified");
    if (current->region) {
      Require(RegionInside(*current->region, image), "the current step's region is inside");
      Require(RegionShows(image, *current->region, *current->after),
              "the current step's region shows its after image");
    } else {
      Require(Equal(*current->after, image), "a whole-image step shows its after image");
    }
  }
}

void CheckUndoRedoRoundTrip(CVantoriaDoc& document) {
  const ImagePtr shown = CloneImage(*document.GetImage());
  Require(shown != nullptr, "the image can be copied");
  int applied = 0;
  while (document.Undo()) {
    ++applied;
    CheckDocument(document);
  }
  for (int k = 0; k < applied; ++k) {
    Require(document.Redo(), "every undone step can be redone");
    CheckDocument(document);
  }
  Require(Equal(*document.GetImage(), *shown), "undo all then redo gives the image back");
}

}  // namespace vantoria::fuzz
