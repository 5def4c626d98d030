// Timings of every image operation on the shared 6000 x 4000 source, plus the cost of the
// image-record functions each edit goes through.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_image.h"
#include "core/pixel_image.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"

namespace vantoria::bench {
namespace {

using SameSizeOperation = int (*)(const PixelImage&, PixelImage&);

// The middle quarter of the source, 3000 x 2000.
constexpr Region kPieceRegion = {kSourceWidth / 4, kSourceHeight / 4, kSourceWidth * 3 / 4 - 1,
                                 kSourceHeight * 3 / 4 - 1};

std::size_t RegionBytes(const Region& region) {
  return static_cast<std::size_t>(region.width()) * static_cast<std::size_t>(region.height()) *
         sizeof(Pixel);
}

// The destination starts as a copy of the source, as the caller prepares it; the filters rely
// on that for their border.
void RegisterSameSize(const char* name, SameSizeOperation operation) {
  Configure(benchmark::RegisterBenchmark(name, [operation](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    ImagePtr destination = CloneImage(source);
    TimeInto(state, source, *destination, source.byteSize() * 2, operation);
  }));
}

void RegisterResize(const char* name, std::int32_t width, std::int32_t height) {
  Configure(benchmark::RegisterBenchmark(name, [width, height](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    ImagePtr destination = CreateImage(height, width);
    TimeInto(state, source, *destination, source.byteSize() + destination->byteSize(),
             [width, height](const PixelImage& from, PixelImage& to) {
               return ResizeImage(from, to, width, height);
             });
  }));
}

void RegisterRotate(const char* name, double degrees) {
  Configure(benchmark::RegisterBenchmark(name, [degrees](benchmark::State& state) {
    const PixelImage& source = SourceImage();
    TimeAllocating(state, source.byteSize(),
                   [&source, degrees] { return RotateImage(source, degrees); });
  }));
}

void RegisterColourOperations() {
  RegisterSameSize("Colour/AdjustBrightnessContrast", [](const PixelImage& from, PixelImage& to) {
    return AdjustBrightnessContrast(from, to, 51, 0.3);
  });
  RegisterSameSize("Colour/AdjustTransparency", [](const PixelImage& from, PixelImage& to) {
    return AdjustTransparency(from, to, -127);
  });
  RegisterSameSize("Colour/AdjustHueSaturationLightness",
                   [](const PixelImage& from, PixelImage& to) {
                     return AdjustHueSaturationLightness(from, to, 36.0, 0.2, -0.1);
                   });
  RegisterSameSize("Colour/InvertColors", InvertColors);
  RegisterSameSize("Colour/GrayscaleByMaximum", GrayscaleByMaximum);
  RegisterSameSize("Colour/GrayscaleByAverage", GrayscaleByAverage);
  RegisterSameSize("Colour/GrayscaleByWeightedAverage", GrayscaleByWeightedAverage);
  RegisterSameSize("Colour/Binarize",
                   [](const PixelImage& from, PixelImage& to) { return Binarize(from, to, 128); });
  RegisterSameSize("Colour/RemoveRedEye", RemoveRedEye);
}

void RegisterGeometryOperations() {
  RegisterResize("Geometry/ResizeImage/3000x2000", kSourceWidth / 2, kSourceHeight / 2);
  RegisterResize("Geometry/ResizeImage/9000x6000", kSourceWidth * 3 / 2, kSourceHeight * 3 / 2);
  RegisterRotate("Geometry/RotateImage/30", 30.0);
  RegisterRotate("Geometry/RotateImage/90", 90.0);
  RegisterSameSize("Geometry/MirrorHorizontal", MirrorHorizontal);
  RegisterSameSize("Geometry/MirrorVertical", MirrorVertical);
}

void RegisterFilterOperations() {
  RegisterSameSize("Filter/SharpenLaplacian", [](const PixelImage& from, PixelImage& to) {
    return SharpenLaplacian(from, to, kSharpenKernel, kSharpenDivisor);
  });
  RegisterSameSize("Filter/SmoothWithKernel/Box", [](const PixelImage& from, PixelImage& to) {
    return SmoothWithKernel(from, to, kSmoothKernels[0], kSmoothDivisors[0]);
  });
  RegisterSameSize("Filter/SmoothWithKernel/Gaussian", [](const PixelImage& from, PixelImage& to) {
    return SmoothWithKernel(from, to, kSmoothKernels[1], kSmoothDivisors[1]);
  });
  RegisterSameSize("Filter/MedianFilter", [](const PixelImage& from, PixelImage& to) {
    return MedianFilter(from, to, kSmoothKernels[2], kSmoothDivisors[2]);
  });
  RegisterSameSize("Filter/Emboss", Emboss);
  RegisterSameSize("Filter/Mosaic/8",
                   [](const PixelImage& from, PixelImage& to) { return Mosaic(from, to, 8); });
  RegisterSameSize("Filter/Sketch", Sketch);
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
  RegisterColourOperations();
  RegisterGeometryOperations();
  RegisterFilterOperations();
  RegisterImageRecordCosts();
}

}  // namespace vantoria::bench
