// Timings of every image operation on the shared 6000 x 4000 source, plus the cost of the
// image-record functions each edit goes through.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_image.h"
#include "core/pixel_image.h"
#include "imaging/geometry_ops.h"
#include "operation_cases.h"

namespace vantoria::bench {
namespace {

// The middle quarter of the source, 3000 x 2000.
constexpr Region kPieceRegion = {kSourceWidth / 4, kSourceHeight / 4, kSourceWidth * 3 / 4 - 1,
                                 kSourceHeight * 3 / 4 - 1};

std::size_t RegionBytes(const Region& region) {
  return static_cast<std::size_t>(region.width()) * static_cast<std::size_t>(region.height()) *
         sizeof(Pixel);
}

// Each operation of the table once, at the values of its first comparison row. A same-size
// destination starts as a copy of the source, as the caller prepares it at the most.
void RegisterTableOperations() {
  const ops::OperationRow* previous = nullptr;
  for (const OperationCase& timed : OperationCases()) {
    if (timed.row == previous) {
      continue;
    }
    previous = timed.row;
    Configure(benchmark::RegisterBenchmark(
        ("Operation/" + timed.name).c_str(), [timed](benchmark::State& state) {
          const PixelImage& source = SourceImage();
          ImagePtr destination = DestinationFor(timed, source);
          TimeInto(state, source, *destination, source.byteSize() + destination->byteSize(),
                   [&timed](const PixelImage& from, PixelImage& to) {
                     return RunCase(timed, from, to);
                   });
        }));
  }
}

void RegisterRotate(const char* name, double degrees) {
  Configure(benchmark::RegisterBenchmark(name, [degrees](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    TimeAllocating(state, source.byteSize(),
                   [&source, degrees] { return RotateImage(source, degrees); });
  }));
}

void RegisterRotations() {
  RegisterRotate("Geometry/RotateImage/30", 30.0);
  RegisterRotate("Geometry/RotateImage/90", 90.0);
  RegisterRotate("Geometry/RotateImage/180", 180.0);
  RegisterRotate("Geometry/RotateImage/270", 270.0);
}

void RegisterImageRecordCosts() {
  Configure(benchmark::RegisterBenchmark("Image/CreateImage", [](benchmark::State& state) {
    TimeAllocating(state, 0, [] { return CreateImage(kSourceHeight, kSourceWidth); });
  }));
  Configure(benchmark::RegisterBenchmark("Image/CloneImage", [](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    TimeAllocating(state, source.byteSize(), [&source] { return CloneImage(source); });
  }));
  // Into a destination whose pages are already mapped, as when a step is re-run.
  Configure(benchmark::RegisterBenchmark("Image/CopyImagePixels", [](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    ImagePtr destination = CloneImage(source);
    TimeInto(state, source, *destination, source.byteSize() * 2, CopyImagePixels);
  }));
  Configure(benchmark::RegisterBenchmark("Image/CropImage/3000x2000", [](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    TimeAllocating(state, RegionBytes(kPieceRegion),
                   [&source] { return CropImage(source, kPieceRegion); });
  }));
  Configure(benchmark::RegisterBenchmark("Image/PasteImage/3000x2000", [](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    ImagePtr piece = CropImage(source, kPieceRegion);
    ImagePtr destination = CloneImage(source);
    TimeInto(
        state, *piece, *destination, RegionBytes(kPieceRegion) * 2,
        [](const PixelImage& from, PixelImage& to) { return PasteImage(from, to, kPieceRegion); });
  }));
}

}  // namespace

void RegisterGoogleBenchmarks() {
  RegisterTableOperations();
  RegisterRotations();
  RegisterImageRecordCosts();
}

}  // namespace vantoria::bench
