#pragma once

// The comparison table: each Vantoria operation beside its nearest OpenCV equivalent on the
// same image, timed interleaved and repeatedly within one run, medians reported.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vantoria::bench {

using Run = std::function<void()>;

// What a row must reach; 0 leaves a limit out.
struct Goal {
  double maxRatio = 0.0;           // Vantoria time / OpenCV time
  double maxMemcpyMultiple = 0;    // Vantoria time / the warm 96 MB memcpy's
  double maxMilliseconds = 0.0;    // Vantoria time
  bool memoryBound = false;        // exempt from the two-thread speed-up goal
  bool scalesWithThreads = false;  // held to the two-thread speed-up goal
};

struct Row {
  Row(std::string name, Run vantoria, Run opencv = {}, Goal goal = {}, Run before = {})
      : name(std::move(name)),
        vantoria(std::move(vantoria)),
        opencv(std::move(opencv)),
        goal(goal),
        before(std::move(before)) {}

  std::string name;
  Run vantoria;
  Run opencv;  // empty when there is no equivalent, or no OpenCV in this build
  Goal goal;
  Run before;  // untimed, before each timing: what happens between a user's actions
  // When set, runs instead of `vantoria` and gives the milliseconds to report: a time measured
  // inside the run, such as the longest the event loop waited.
  std::function<double()> figure;
};

struct Timing {
  double vantoria = 0.0;  // median wall-clock milliseconds
  double opencv = 0.0;    // median wall-clock milliseconds; 0 without an equivalent
  double vantoriaBest = 0.0;
  double opencvBest = 0.0;
  // Median processor time of the whole process, all threads: unlike the wall clock it does not
  // grow while other programs hold the processor.
  double vantoriaCpu = 0.0;
  double opencvCpu = 0.0;
};

// The name of the reference row every memcpy multiple is taken against.
inline const std::string kMemcpyRow = "memcpy_96MB_warm";

// Runs every row once untimed, then `rounds` rounds; each round times each row's operation and
// then its equivalent, so that slow phases of a loaded machine hit both alike.
std::vector<Timing> MeasureInterleaved(const std::vector<Row>& rows, int rounds);

// Rows for the operations, on a 6000 x 4000 image made from a fixed seed.
std::vector<Row> OperationRows();
// Rows for the edit path through the dispatcher, the document and the view's display
// conversion, on a 6000 x 4000 document.
std::vector<Row> EditPathRows();
// Rows for the view's picture when zoomed (zoom_rows.cpp).
std::vector<Row> ZoomRows();
// Rows for saving the picture as PNG, JPEG and WebP (save_rows.cpp).
std::vector<Row> SaveRows();

// OpenCV's thread count; nothing without OpenCV.
void SetOpenCvThreads(int threads);
bool HaveOpenCv();

}  // namespace vantoria::bench
