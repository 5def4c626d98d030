// The operation rows of the comparison table, all on the shared 6000 x 4000 source.

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench_image.h"
#include "comparison.h"
#include "imaging/geometry_ops.h"
#include "opencv_equivalents.h"
#include "operation_cases.h"

namespace vantoria::bench {
namespace {

using Shared = std::shared_ptr<PixelImage>;

Shared SharedClone(const PixelImage& image) {
  return Shared(CloneImage(image).release());
}

std::vector<Row> MemoryRows(const PixelImage& source) {
  const std::size_t bytes = source.byteSize();
  Shared warm = SharedClone(source);
  return {
      {kMemcpyRow,
       [&source, warm, bytes] { std::memcpy(warm->pixels(), source.pixels(), bytes); },
       {},
       {.memoryBound = true}},
      // A plain malloc of this size is a fresh mapping: every 4 KB page faults on first touch.
      {"memcpy_96MB_fresh_malloc",
       [&source, bytes] {
         void* block = std::malloc(bytes);
         std::memcpy(block, source.pixels(), bytes);
         benchmark::DoNotOptimize(block);
         benchmark::ClobberMemory();
         std::free(block);
       },
       {},
       {.memoryBound = true}},
      // Fresh huge pages, as AllocatePixels maps them when it has no freed block to reuse.
      {"memcpy_96MB_fresh_hugepages",
       [&source, bytes] {
         constexpr std::size_t kHugePage = std::size_t{2} << 20;
         const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
         void* block = std::aligned_alloc(kHugePage, rounded);
         madvise(block, rounded, MADV_HUGEPAGE);
         std::memcpy(block, source.pixels(), bytes);
         benchmark::DoNotOptimize(block);
         benchmark::ClobberMemory();
         std::free(block);
       },
       {},
       {.memoryBound = true}},
      // A block of the same size freed just before: reused, nothing to fault in.
      {"memcpy_96MB_reused_block",
       [&source, bytes] {
         PixelBuffer block = AllocatePixels(source.pixelCount());
         std::memcpy(block.get(), source.pixels(), bytes);
         benchmark::DoNotOptimize(block.get());
         benchmark::ClobberMemory();
       },
       {},
       {.memoryBound = true}},
  };
}

// Every operation of the table that runs into a prepared destination. The same-size ones share
// one destination, a copy of the source.
std::vector<Row> TableRows(const PixelImage& source, const OpenCvEquivalents& cv) {
  Shared sameSize = SharedClone(source);
  std::vector<Row> rows;
  for (const OperationCase& timed : OperationCases()) {
    const Shared out = timed.row->shape == ops::Shape::kSameSize
                           ? sameSize
                           : Shared(DestinationFor(timed, source).release());
    rows.push_back({timed.name, [&source, out, timed] { RunCase(timed, source, *out); },
                    timed.opencv ? cv.*timed.opencv : Run{}, timed.goal});
  }
  return rows;
}

// RotateImage returns a new image: its allocation is part of the cost, as in the editor.
std::vector<Row> RotateRows(const PixelImage& source, const OpenCvEquivalents& cv) {
  const auto rotate = [&source](double degrees) -> Run {
    return [&source, degrees] { ImagePtr turned = RotateImage(source, degrees); };
  };
  return {
      {"rotate_30", rotate(30.0), cv.rotate30, {.maxRatio = 1.5, .scalesWithThreads = true}},
      // The quarter turns of the toolbar and the dialog.
      {"rotate_90", rotate(90.0), cv.rotate90, {.maxRatio = 1.5}},
      {"rotate_180", rotate(180.0), cv.rotate180, {.maxRatio = 1.5}},
      {"rotate_270", rotate(270.0), cv.rotate270, {.maxRatio = 1.5}},
  };
}

}  // namespace

std::vector<Row> OperationRows() {
  const PixelImage& source = SourceImage();
  const OpenCvEquivalents cv = MakeOpenCvEquivalents(source);
  std::vector<Row> rows = MemoryRows(source);
  for (auto part : {TableRows(source, cv), RotateRows(source, cv)}) {
    rows.insert(rows.end(), part.begin(), part.end());
  }
  return rows;
}

}  // namespace vantoria::bench
