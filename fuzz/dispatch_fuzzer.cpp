// Runs any sequence of operation messages, selections, undos and redos on an image of any
// small size (0 x 0, 1 x 1, 1 x N and N x 1 included) through the dispatcher, some of them with
// memory running out after a few pixel allocations, and checks the document after every step
// and, at the end, that undoing everything and redoing it again brings the same image back.
#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "core/testing_hooks.h"
#include "document/vantoria_doc.h"
#include "imaging/parallel_rows.h"
#include "operations/operation_dispatcher.h"
#include "operations/operation_messages.h"
#include "tests/support/dispatch_test_host.h"

namespace vantoria::fuzz {
namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "document check failed: %s\n", what);
    std::abort();
  }
}

void CheckImage(const PixelImage& image) {
  Require(image.pixels() != nullptr, "image has a buffer");
  Require(image.rows.size() == static_cast<std::size_t>(image.height), "one row entry per row");
  for (std::int32_t y = 0; y < image.height; ++y) {
    Require(image.rows[y] == image.pixels() + static_cast<std::size_t>(y) * image.width,
            "rows are contiguous and in order");
  }
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
  using namespace ops;
  const std::uint32_t code = step.message;
  if (code == WM_OP_RESIZE || code == WM_OP_CROP || code == WM_OP_ROTATE) {
    Require(!step.region, "a step that changes the size holds whole images");
  } else {
    Require(SameSize(*step.before, *step.after), "a same-size step keeps its size");
  }
}

bool Equal(const PixelImage& a, const PixelImage& b) {
  return SameSize(a, b) && std::equal(a.pixels(), a.pixels() + a.pixelCount(), b.pixels());
}

// Whether `image` holds `part` at `region` (inside it, and of its size: CheckStep has seen to it).
bool RegionShows(const PixelImage& image, const Region& region, const PixelImage& part) {
  for (std::int32_t y = 0; y < part.height; ++y) {
    const Pixel* shown = image.rows[region.top + y] + region.left;
    if (std::memcmp(shown, part.rows[y], static_cast<std::size_t>(part.width) * sizeof(Pixel))) {
      return false;
    }
  }
  return true;
}

// Whether the document is well formed: an image whose row table matches its buffer, a history
// whose links agree both ways and whose steps hold images of the sizes their regions say, a
// current step inside the history, the history under its budget, and the modified flag set while
// a step is applied. A failed check prints what broke and aborts: the fuzzer reports a finding.
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

// Undoing every step, then redoing as many, must bring the image back exactly.
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

constexpr int kLargestSide = 40;
constexpr int kMostActions = 48;
// Big enough for a few steps on the largest start image, small enough to refuse huge resizes.
constexpr std::size_t kLargestBudget = std::size_t{1} << 20;

ImagePtr RandomImage(std::int32_t height, std::int32_t width, std::uint32_t seed) {
  ImagePtr image = CreateImage(height, width);
  std::mt19937 random(seed);
  std::generate_n(image->pixels(), image->pixelCount(), [&] { return Pixel(random()); });
  return image;
}

// Mostly edges near the image, sometimes anything at all.
std::int32_t Coordinate(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? input.ConsumeIntegral<std::int32_t>()
                             : input.ConsumeIntegralInRange<std::int32_t>(-2, kLargestSide + 2);
}

std::optional<Region> Selection(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) {
    return std::nullopt;
  }
  return Region{Coordinate(input), Coordinate(input), Coordinate(input), Coordinate(input)};
}

ops::OperationMessage Message(FuzzedDataProvider& input) {
  ops::OperationMessage message;
  // One code on each side of the range as well.
  message.code =
      input.ConsumeIntegralInRange<std::uint32_t>(ops::kFirstCode - 1, ops::kLastCode + 1);
  message.wParam = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint32_t>(0, 9)
                                       : input.ConsumeIntegral<std::uint32_t>();
  message.lParam = input.ConsumeIntegral<std::uint32_t>();
  return message;
}

// Whether memory runs out during the next action, and after how many pixel allocations:
// mostly not, sometimes at once or a little later.
int AllocationsBeforeFailure(FuzzedDataProvider& input) {
  const int choice = input.ConsumeIntegralInRange(0, 7);
  return choice < 3 ? choice : -1;
}

// With VANTORIA_FUZZ_TRACE set, every action is printed: run a reproducer with it to see
// the sequence that broke the document.
const bool kTrace = std::getenv("VANTORIA_FUZZ_TRACE") != nullptr;

template <typename... Values>
void Trace(const char* format, Values... values) {
  if (kTrace) {
    std::fprintf(stderr, format, values...);
  }
}

}  // namespace
}  // namespace vantoria::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication application(*argc, *argv);
  // Worker threads wake a different number of times from run to run, which the coverage counters
  // see: on one thread a fixed seed explores the same inputs every time (the imaging tests check
  // the split into row bands).
  vantoria::SetThreadCount(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantoria;
  using namespace vantoria::fuzz;
  FuzzedDataProvider input(data, size);
  const auto height = input.ConsumeIntegralInRange<std::int32_t>(0, kLargestSide);
  const auto width = input.ConsumeIntegralInRange<std::int32_t>(0, kLargestSide);
  test::TestHost host(RandomImage(height, width, input.ConsumeIntegral<std::uint32_t>()));
  host.document.SetHistoryBudget(input.ConsumeIntegralInRange<std::size_t>(0, kLargestBudget));
  Trace("image %d x %d, budget %zu\n", width, height, host.document.GetHistoryBudget());
  for (int action = 0; action < kMostActions && input.remaining_bytes() > 0; ++action) {
    const int allocations = AllocationsBeforeFailure(input);
    Trace("memory for %d pixel allocations\n", allocations);
    FailPixelAllocationsAfter(allocations);
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0: {
        host.selection = Selection(input);
        const Region r = host.selection.value_or(Region{0, 0, -1, -1});
        Trace("select %d %d %d %d%s\n", r.left, r.top, r.right, r.bottom,
              host.selection ? "" : " (none)");
        break;
      }
      case 1:
        Trace("undo: %d\n", host.document.Undo());
        break;
      case 2:
        Trace("redo: %d\n", host.document.Redo());
        break;
      default: {
        const ops::OperationMessage message = Message(input);
        host.dispatcher.Dispatch(message);
        Trace("message %u w %u l %u -> %d x %d, %zu steps\n", message.code, message.wParam,
              message.lParam, host.document.GetImage()->width, host.document.GetImage()->height,
              host.document.GetHistory().count());
        break;
      }
    }
    FailPixelAllocationsAfter(-1);
    CheckDocument(host.document);
  }
  CheckUndoRedoRoundTrip(host.document);
  return 0;
}
