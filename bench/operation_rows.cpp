// The operation rows of the comparison table, all on the shared 6000 x 4000 source.

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench_image.h"
#include "comparison.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"
#include "opencv_equivalents.h"

namespace vantoria::bench {
namespace {

using Shared = std::shared_ptr<PixelImage>;

Shared SharedClone(const PixelImage& image) {
  return Shared(CloneImage(image).release());
}

// Point operations: no slower than OpenCV's table lookup, within 3 x a warm memcpy.
constexpr Goal kPointGoal = {.maxRatio = 1.0, .maxMemcpyMultiple = 3.0, .memoryBound = true};
constexpr Goal kFilterGoal = {.maxRatio = 1.0, .scalesWithThreads = true};
constexpr Goal kGeometryGoal = {.maxRatio = 1.5, .scalesWithThreads = true};
constexpr Goal kNoGoal = {};

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

std::vector<Row> ColourRows(const PixelImage& source, const OpenCvEquivalents& cv) {
  Shared out = SharedClone(source);
  const auto same = [&source, out](auto operation) -> Run {
    return [&source, out, operation] { operation(source, *out); };
  };
  const Goal hslGoal = {.maxRatio = 4.0, .scalesWithThreads = true};
  return {
      {"brightness_contrast",
       same([](auto& s, auto& d) { AdjustBrightnessContrast(s, d, 51, 0.3); }), cv.lut, kPointGoal},
      {"transparency", same([](auto& s, auto& d) { AdjustTransparency(s, d, -127); }), cv.lutAlpha,
       kPointGoal},
      {"invert", same(InvertColors), cv.lut, kPointGoal},
      {"grey_maximum", same(GrayscaleByMaximum), cv.lut, kPointGoal},
      {"grey_average", same(GrayscaleByAverage), cv.lut, kPointGoal},
      {"grey_weighted", same(GrayscaleByWeightedAverage), cv.lut, kPointGoal},
      {"threshold", same([](auto& s, auto& d) { Binarize(s, d, 128); }), cv.lut, kPointGoal},
      {"red_eye", same(RemoveRedEye), cv.lut, kPointGoal},
      {"hue_saturation_lightness",
       same([](auto& s, auto& d) { AdjustHueSaturationLightness(s, d, 36.0, 0.2, -0.1); }), cv.lut,
       hslGoal},
      // The same work beside OpenCV's own nearest routines, for information.
      {"invert_vs_xor", same(InvertColors), cv.invertXor, kNoGoal},
      {"grey_weighted_vs_cvtColor", same(GrayscaleByWeightedAverage), cv.greyRoundTrip, kNoGoal},
      {"threshold_vs_cvtColor", same([](auto& s, auto& d) { Binarize(s, d, 128); }),
       cv.thresholdRoundTrip, kNoGoal},
  };
}

std::vector<Row> FilterRows(const PixelImage& source, const OpenCvEquivalents& cv) {
  Shared out = SharedClone(source);  // a copy of the source, as the dispatcher prepares it
  const auto same = [&source, out](auto operation) -> Run {
    return [&source, out, operation] { operation(source, *out); };
  };
  return {
      {"sharpen",
       same([](auto& s, auto& d) { SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor); }),
       cv.sharpen, kFilterGoal},
      {"soften_box", same([](auto& s, auto& d) {
         SmoothWithKernel(s, d, kSmoothKernels[0], kSmoothDivisors[0]);
       }),
       cv.box, kFilterGoal},
      {"soften_gaussian", same([](auto& s, auto& d) {
         SmoothWithKernel(s, d, kSmoothKernels[1], kSmoothDivisors[1]);
       }),
       cv.gaussian, kFilterGoal},
      // Five byte compares per channel: it runs at about memcpy speed.
      {"soften_median",
       same([](auto& s, auto& d) { MedianFilter(s, d, kSmoothKernels[2], kSmoothDivisors[2]); }),
       cv.median,
       {.maxRatio = 1.0, .memoryBound = true}},
      {"emboss", same(Emboss), cv.emboss, kFilterGoal},
      {"sketch", same(Sketch), cv.twoFilters, kFilterGoal},
      {"mosaic_8", same([](auto& s, auto& d) { Mosaic(s, d, 8); }), {}, {.memoryBound = true}},
  };
}

std::vector<Row> GeometryRows(const PixelImage& source, const OpenCvEquivalents& cv) {
  Shared half(CreateImage(source.height / 2, source.width / 2).release());
  Shared larger(CreateImage(source.height * 3 / 2, source.width * 3 / 2).release());
  Shared mirrored = SharedClone(source);
  // RotateImage returns a new image: its allocation is part of the cost, as in the editor.
  const auto rotate = [&source](double degrees) -> Run {
    return [&source, degrees] { ImagePtr turned = RotateImage(source, degrees); };
  };
  return {
      // Every position is exact: a copy of every other pixel of every other row.
      {"resize_to_3000x2000",
       [&source, half] { ResizeImage(source, *half, half->width, half->height); },
       cv.resizeHalf,
       {.maxRatio = 1.5, .memoryBound = true}},
      {"resize_to_9000x6000",
       [&source, larger] { ResizeImage(source, *larger, larger->width, larger->height); },
       cv.resizeOneAndHalf, kGeometryGoal},
      {"rotate_30", rotate(30.0), cv.rotate30, kGeometryGoal},
      {"rotate_90", rotate(90.0), cv.rotate90, kNoGoal},
      {"mirror_horizontal",
       [&source, mirrored] { MirrorHorizontal(source, *mirrored); },
       cv.flipHorizontal,
       {.memoryBound = true}},
      {"mirror_vertical",
       [&source, mirrored] { MirrorVertical(source, *mirrored); },
       cv.flipVertical,
       {.memoryBound = true}},
  };
}

}  // namespace

std::vector<Row> OperationRows() {
  const PixelImage& source = SourceImage();
  const OpenCvEquivalents cv = MakeOpenCvEquivalents(source);
  std::vector<Row> rows = MemoryRows(source);
  for (auto part : {ColourRows(source, cv), FilterRows(source, cv), GeometryRows(source, cv)}) {
    rows.insert(rows.end(), part.begin(), part.end());
  }
  return rows;
}

}  // namespace vantoria::bench
