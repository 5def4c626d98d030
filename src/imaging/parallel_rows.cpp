#include "imaging/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace vantoria {
namespace {

constexpr std::size_t kDefaultMinimumPixels = std::size_t{1} << 17;

std::atomic<int> g_threadCount{0};  // 0: the hardware's count
std::atomic<std::size_t> g_minimumPixels{kDefaultMinimumPixels};

int HardwareThreads() {
  static const int count = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  return count;
}

}  // namespace

int ThreadCount() {
  const int count = g_threadCount.load(std::memory_order_relaxed);
  return count > 0 ? count : HardwareThreads();
}

void SetThreadCount(int count) {
  g_threadCount.store(std::max(count, 0));
}

std::size_t ParallelMinimumPixels() {
  return g_minimumPixels.load(std::memory_order_relaxed);
}

void SetParallelMinimumPixels(std::size_t pixels) {
  g_minimumPixels.store(pixels);
}

void ParallelRows(std::int32_t rows, std::size_t pixelsPerRow, const RowBand& body) {
  if (rows <= 0) {
    return;
  }
  const std::size_t work = static_cast<std::size_t>(rows) * pixelsPerRow;
  const int bands =
      work < ParallelMinimumPixels() ? 1 : std::min(ThreadCount(), static_cast<int>(rows));
  if (bands <= 1) {
    body(0, rows);
    return;
  }
  const auto bandStart = [rows, bands](int band) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(rows) * band / bands);
  };
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(bands));
  const auto run = [&](int band) {
    try {
      body(bandStart(band), bandStart(band + 1));
    } catch (...) {
      failures[static_cast<std::size_t>(band)] = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(static_cast<std::size_t>(bands - 1));
    for (int band = 1; band < bands; ++band) {
      try {
        helpers.emplace_back(run, band);
      } catch (const std::system_error&) {
        run(band);  // no thread to be had: this one does the band
      }
    }
    run(0);
  }  // the helpers join here
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
}

}  // namespace vantoria
