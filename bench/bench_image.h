#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "core/pixel_image.h"

namespace vantoria::bench {

// A photo-sized picture: 24 megapixels, 96 MB.
inline constexpr std::int32_t kSourceHeight = 4000;
inline constexpr std::int32_t kSourceWidth = 6000;

// The shared source, made on first use and therefore outside every timed loop. Random pixels
// from a fixed seed: each run times the same data, and every alpha value occurs (about 94,000
// times each), so no operation can take a fast path for opaque pixels.
const PixelImage& SourceImage();

// Wall-clock milliseconds over a short fixed minimum time, so the whole run stays within a few
// minutes yet the fast operations still get several iterations.
void Configure(benchmark::internal::Benchmark* family);

// Registers the per-operation Google Benchmark timings (vantoria-bench --benchmark_...).
void RegisterGoogleBenchmarks();

// Throughput counts every byte an iteration reads from its input plus every byte it writes.
void SetBytesPerIteration(benchmark::State& state, std::size_t bytes);

// Times operation(source, destination) into a destination prepared before the loop, the way
// the caller prepares it.
template <typename Operation>
void TimeInto(benchmark::State& state, const PixelImage& source, PixelImage& destination,
              std::size_t bytesPerIteration, Operation operation) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(operation(source, destination));
    benchmark::ClobberMemory();
  }
  SetBytesPerIteration(state, bytesPerIteration);
}

// Times a call that returns a new image: allocation, first touch of its pages and filling are
// the cost. Freeing it is not, so that happens with the clock stopped.
template <typename Make>
void TimeAllocating(benchmark::State& state, std::size_t bytesRead, Make make) {
  std::size_t bytesWritten = 0;
  for (auto _ : state) {
    ImagePtr result = make();
    if (!result) {
      state.SkipWithError("out of memory");
      break;
    }
    benchmark::DoNotOptimize(result->pixels());
    benchmark::ClobberMemory();
    state.PauseTiming();
    bytesWritten = result->byteSize();
    result.reset();
    state.ResumeTiming();
  }
  SetBytesPerIteration(state, bytesRead + bytesWritten);
}

}  // namespace vantoria::bench
