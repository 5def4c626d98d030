// vantoria-bench: every operation beside its nearest OpenCV equivalent on the same 6000 x 4000
// image, with one and with two threads, plus the edit path end to end; a table on standard
// output and, with --csv FILE, the CSV op,vantoria_ms,opencv_ms,ratio.
// Any --benchmark_... argument runs the Google Benchmark timings of each operation instead.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_image.h"
#include "comparison.h"
#include "imaging/parallel_rows.h"
#include "imaging/testing_hooks.h"

namespace vantoria::bench {
namespace {

struct Options {
  std::string csv;
  int rounds = 7;
  std::vector<int> threads = {1, 2};
  std::string filter;  // only rows whose name contains it (the memcpy row always runs)
  bool baseline = false;
};

const char* kUsage =
    "usage: vantoria-bench [--csv FILE] [--rounds N] [--threads 1,2] [--filter TEXT] "
    "[--baseline]\n"
    "       vantoria-bench --benchmark_... (Google Benchmark options)\n";

bool Parse(int argc, char** argv, Options& options) {
  for (int k = 1; k < argc; ++k) {
    const std::string argument = argv[k];
    const bool hasValue = k + 1 < argc;
    if (argument == "--csv" && hasValue) {
      options.csv = argv[++k];
    } else if (argument == "--rounds" && hasValue) {
      options.rounds = std::max(1, std::atoi(argv[++k]));
    } else if (argument == "--filter" && hasValue) {
      options.filter = argv[++k];
    } else if (argument == "--threads" && hasValue) {
      options.threads.clear();
      for (const char* part = argv[++k]; *part;) {
        options.threads.push_back(std::max(1, std::atoi(part)));
        part = std::strchr(part, ',') ? std::strchr(part, ',') + 1 : part + std::strlen(part);
      }
    } else if (argument == "--baseline") {
      options.baseline = true;
    } else {
      return false;
    }
  }
  return !options.threads.empty();
}

std::string GoalText(const Goal& goal) {
  std::string text;
  char part[64];
  if (goal.maxRatio > 0) {
    std::snprintf(part, sizeof part, "<=%.1fx OpenCV ", goal.maxRatio);
    text += part;
  }
  if (goal.maxMemcpyMultiple > 0) {
    std::snprintf(part, sizeof part, "<=%.0fx memcpy ", goal.maxMemcpyMultiple);
    text += part;
  }
  if (goal.maxMilliseconds > 0) {
    std::snprintf(part, sizeof part, "<%.0f ms ", goal.maxMilliseconds);
    text += part;
  }
  return text;
}

// "yes", "no", or "" when the row has no goal it can be held to here.
std::string Met(const Goal& goal, const Timing& timing, double memcpy, bool oneThread) {
  bool any = false;
  bool met = true;
  if (goal.maxRatio > 0 && timing.opencv > 0 && oneThread) {
    any = true;
    met = met && timing.vantoria <= goal.maxRatio * timing.opencv;
  }
  if (goal.maxMemcpyMultiple > 0 && memcpy > 0 && oneThread) {
    any = true;
    met = met && timing.vantoria <= goal.maxMemcpyMultiple * memcpy;
  }
  if (goal.maxMilliseconds > 0) {
    any = true;
    met = met && timing.vantoria < goal.maxMilliseconds;
  }
  return any ? (met ? "yes" : "no") : "";
}

std::string Format(const char* format, double value, bool present) {
  if (!present) {
    return "";
  }
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void PrintTable(int threads, const std::vector<Row>& rows, const std::vector<Timing>& timings) {
  double memcpy = 0.0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    memcpy = rows[r].name == kMemcpyRow ? timings[r].vantoria : memcpy;
  }
  std::printf("\n%d thread(s)\n%-34s %11s %10s %6s %6s %9s  %-30s %s\n", threads, "op",
              "vantoria_ms", "opencv_ms", "ratio", "best", "cpu_ratio", "goal (one thread)", "met");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Timing& t = timings[r];
    const bool compared = t.opencv > 0;
    std::printf("%-34s %11.1f %10s %6s %6s %9s  %-30s %s\n", rows[r].name.c_str(), t.vantoria,
                Format("%.1f", t.opencv, compared).c_str(),
                Format("%.2f", t.vantoria / t.opencv, compared).c_str(),
                Format("%.2f", t.vantoriaBest / t.opencvBest, compared).c_str(),
                Format("%.2f", t.vantoriaCpu / t.opencvCpu, compared && t.opencvCpu > 0).c_str(),
                GoalText(rows[r].goal).c_str(), Met(rows[r].goal, t, memcpy, threads == 1).c_str());
  }
}

void WriteCsv(std::FILE* csv, int threads, const std::vector<Row>& rows,
              const std::vector<Timing>& timings) {
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Timing& t = timings[r];
    const bool compared = t.opencv > 0;
    std::fprintf(csv, "%s/t%d,%.2f,%s,%s\n", rows[r].name.c_str(), threads, t.vantoria,
                 Format("%.2f", t.opencv, compared).c_str(),
                 Format("%.3f", t.vantoria / t.opencv, compared).c_str());
  }
}

void PrintScaling(const std::vector<Row>& rows, const std::vector<Timing>& one,
                  const std::vector<Timing>& two) {
  std::printf(
      "\nTwo threads against one (goal >= 1.70 unless memory-bound): wall-clock medians, and the\n"
      "processor time two threads use against one\n");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Goal& goal = rows[r].goal;
    if (!(goal.scalesWithThreads || (goal.memoryBound && rows[r].opencv)) || two[r].vantoria <= 0) {
      continue;
    }
    const double speedUp = one[r].vantoria / two[r].vantoria;
    const char* met = !goal.scalesWithThreads ? "memory-bound" : speedUp >= 1.7 ? "yes" : "no";
    std::printf("%-34s %8.1f %8.1f %6.2fx  %-12s cpu %.2fx\n", rows[r].name.c_str(),
                one[r].vantoria, two[r].vantoria, speedUp, met,
                two[r].vantoriaCpu / one[r].vantoriaCpu);
  }
}

std::vector<Row> SelectRows(const Options& options) {
  std::vector<Row> rows;
  for (std::vector<Row> part : {OperationRows(), EditPathRows(), ZoomRows(), SaveRows()}) {
    for (Row& row : part) {
      if (options.filter.empty() || row.name == kMemcpyRow ||
          row.name.find(options.filter) != std::string::npos) {
        rows.push_back(std::move(row));
      }
    }
  }
  return rows;
}

int RunComparison(const Options& options) {
  if (options.baseline) {
    simd::SetVectorLevel(simd::VectorLevel::kBaseline);
  }
  const std::vector<Row> rows = SelectRows(options);
  std::printf(
      "6000 x 4000 ARGB, wall-clock median of %d interleaved rounds%s, vectors: %s%s\n"
      "(best: the ratio of the two fastest rounds; cpu_ratio: of the median processor times)\n",
      options.rounds, HaveOpenCv() ? ", OpenCV measured in the same rounds" : "",
      simd::ActiveVectorLevel() == simd::VectorLevel::kAvx2 ? "AVX2" : "baseline",
      HaveOpenCv() ? "" : " (built without OpenCV)");
  std::FILE* csv = options.csv.empty() ? nullptr : std::fopen(options.csv.c_str(), "w");
  if (!options.csv.empty() && !csv) {
    std::fprintf(stderr, "vantoria-bench: cannot write %s\n", options.csv.c_str());
    return 1;
  }
  if (csv) {
    std::fprintf(csv, "op,vantoria_ms,opencv_ms,ratio\n");
  }
  std::map<int, std::vector<Timing>> byThreads;
  for (const int threads : options.threads) {
    SetThreadCount(threads);
    SetOpenCvThreads(threads);
    byThreads[threads] = MeasureInterleaved(rows, options.rounds);
    PrintTable(threads, rows, byThreads[threads]);
    if (csv) {
      WriteCsv(csv, threads, rows, byThreads[threads]);
    }
  }
  if (byThreads.count(1) && byThreads.count(2)) {
    PrintScaling(rows, byThreads[1], byThreads[2]);
  }
  if (csv) {
    std::fclose(csv);
  }
  return 0;
}

bool WantsGoogleBenchmark(int argc, char** argv) {
  for (int k = 1; k < argc; ++k) {
    if (std::strncmp(argv[k], "--benchmark", 11) == 0) {
      return true;
    }
  }
  return false;
}

int RunGoogleBenchmark(int argc, char** argv) {
  RegisterGoogleBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace
}  // namespace vantoria::bench

int main(int argc, char** argv) {
  using namespace vantoria::bench;
  if (WantsGoogleBenchmark(argc, argv)) {
    return RunGoogleBenchmark(argc, argv);
  }
  // The save rows run the event loop; their settings stay apart from the editor's.
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vantoria-bench"));
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return RunComparison(options);
}
