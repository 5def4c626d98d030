#include "bench_image.h"

#include <random>

namespace vantoria::bench {

const PixelImage& SourceImage() {
  static const ImagePtr image = [] {
    std::mt19937 random(20240611u);
    ImagePtr made = CreateImage(kSourceHeight, kSourceWidth);
    Pixel* pixels = made->pixels();
    for (std::size_t k = 0; k < made->pixelCount(); ++k) {
      pixels[k] = static_cast<Pixel>(random());
    }
    return made;
  }();
  return *image;
}

void Configure(benchmark::internal::Benchmark* family) {
  family->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

void SetBytesPerIteration(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

}  // namespace vantoria::bench
