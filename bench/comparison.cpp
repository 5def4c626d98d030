#include "comparison.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace vantoria::bench {
namespace {

struct Sample {
  double wall = 0.0;
  double cpu = 0.0;
};

double ProcessCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

Sample Time(const Run& run) {
  const double cpuStart = ProcessCpuMilliseconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  const auto end = std::chrono::steady_clock::now();
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          ProcessCpuMilliseconds() - cpuStart};
}

double Median(std::vector<double> samples) {
  if (samples.empty()) {
    return 0.0;
  }
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2.0;
}

double Best(const std::vector<double>& samples) {
  return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
}

}  // namespace

std::vector<Timing> MeasureInterleaved(const std::vector<Row>& rows, int rounds) {
  std::vector<std::vector<double>> ours(rows.size());
  std::vector<std::vector<double>> theirs(rows.size());
  std::vector<std::vector<double>> ourCpu(rows.size());
  std::vector<std::vector<double>> theirCpu(rows.size());
  for (int round = -1; round < rounds; ++round) {  // round -1 warms caches and pages
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (rows[r].before) {
        rows[r].before();
      }
      const Sample vantoria =
          rows[r].figure ? Sample{rows[r].figure(), 0.0} : Time(rows[r].vantoria);
      const Sample opencv = rows[r].opencv ? Time(rows[r].opencv) : Sample{};
      if (round >= 0) {
        ours[r].push_back(vantoria.wall);
        ourCpu[r].push_back(vantoria.cpu);
        if (rows[r].opencv) {
          theirs[r].push_back(opencv.wall);
          theirCpu[r].push_back(opencv.cpu);
        }
      }
    }
  }
  std::vector<Timing> timings(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    timings[r] = {Median(ours[r]), Median(theirs[r]), Best(ours[r]),
                  Best(theirs[r]), Median(ourCpu[r]), Median(theirCpu[r])};
  }
  return timings;
}

}  // namespace vantoria::bench
