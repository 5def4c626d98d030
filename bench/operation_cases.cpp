#include "operation_cases.h"

#include <algorithm>
#include <cstring>

namespace vantoria::bench {
namespace {

using ops::OperationRow;
using ops::ParameterValues;

// Point operations: no slower than OpenCV's table lookup, within 3 x a warm memcpy.
constexpr Goal kPointGoal = {.maxRatio = 1.0, .maxMemcpyMultiple = 3.0, .memoryBound = true};
constexpr Goal kFilterGoal = {.maxRatio = 1.0, .scalesWithThreads = true};
constexpr Goal kGeometryGoal = {.maxRatio = 1.5, .scalesWithThreads = true};
constexpr Goal kMemoryBound = {.memoryBound = true};
constexpr Goal kNoGoal = {};

struct Timed {
  const char* step;     // the row's batch name
  const char* variant;  // its variant, or none
  ParameterValues values;
  const char* name;
  Run OpenCvEquivalents::*opencv;
  Goal goal;
};

using Cv = OpenCvEquivalents;

// Values as the dialogs send them: brightness 20 and contrast 30 reach the routine as 51 and
// 0.3, transparency -50 as -127, hue 10 as 36 degrees.
const Timed kTimed[] = {
    {"brightness-contrast", nullptr, {20, 30}, "brightness_contrast", &Cv::lut, kPointGoal},
    {"transparency", nullptr, {-50}, "transparency", &Cv::lutAlpha, kPointGoal},
    {"hsl",
     nullptr,
     {10, 20, -10},
     "hue_saturation_lightness",
     &Cv::lut,
     {.maxRatio = 2.0, .scalesWithThreads = true}},
    {"invert", nullptr, {}, "invert", &Cv::lut, kPointGoal},
    // The same work beside OpenCV's own nearest routines, for information.
    {"invert", nullptr, {}, "invert_vs_xor", &Cv::invertXor, kNoGoal},
    {"grayscale", "maximum", {}, "grey_maximum", &Cv::lut, kPointGoal},
    {"grayscale", "average", {}, "grey_average", &Cv::lut, kPointGoal},
    {"grayscale", "weighted", {}, "grey_weighted", &Cv::lut, kPointGoal},
    {"grayscale", "weighted", {}, "grey_weighted_vs_cvtColor", &Cv::greyRoundTrip, kNoGoal},
    {"threshold", nullptr, {128}, "threshold", &Cv::lut, kPointGoal},
    {"threshold", nullptr, {128}, "threshold_vs_cvtColor", &Cv::thresholdRoundTrip, kNoGoal},
    {"redeye", nullptr, {}, "red_eye", &Cv::lut, kPointGoal},
    // Every position is exact: a copy of every other pixel of every other row.
    {"resize",
     nullptr,
     {3000, 2000},
     "resize_to_3000x2000",
     &Cv::resizeHalf,
     {.maxRatio = 1.5, .memoryBound = true}},
    {"resize", nullptr, {9000, 6000}, "resize_to_9000x6000", &Cv::resizeOneAndHalf, kGeometryGoal},
    {"mirror", "horizontal", {}, "mirror_horizontal", &Cv::flipHorizontal, kMemoryBound},
    {"mirror", "vertical", {}, "mirror_vertical", &Cv::flipVertical, kMemoryBound},
    {"sharpen", nullptr, {}, "sharpen", &Cv::sharpen, kFilterGoal},
    {"soften", "box", {}, "soften_box", &Cv::box, kFilterGoal},
    {"soften", "gaussian", {}, "soften_gaussian", &Cv::gaussian, kFilterGoal},
    // Five byte compares per channel: it runs at about memcpy speed.
    {"soften", "median", {}, "soften_median", &Cv::median, {.maxRatio = 1.0, .memoryBound = true}},
    {"emboss", nullptr, {}, "emboss", &Cv::emboss, kFilterGoal},
    {"mosaic", nullptr, {8}, "mosaic_8", nullptr, kMemoryBound},
    {"sketch", nullptr, {}, "sketch", &Cv::twoFilters, kFilterGoal},
};

bool SameName(const char* a, const char* b) {
  return (!a && !b) || (a && b && std::strcmp(a, b) == 0);
}

ops::LParam Pack(const OperationRow& row, const ParameterValues& values) {
  return row.pack ? row.pack(values) : 0;
}

OperationCase Untimed(const OperationRow& row) {
  ParameterValues values{};
  for (int k = 0; k < row.parameterCount; ++k) {
    values[k] = std::clamp(0, row.ranges[k].low, row.ranges[k].high);
  }
  std::string name = row.batchName;
  if (row.variantName) {
    name += std::string("_") + row.variantName;
  }
  return {name, &row, Pack(row, values), nullptr, kNoGoal};
}

}  // namespace

std::vector<OperationCase> OperationCases() {
  std::vector<OperationCase> cases;
  for (const OperationRow& row : ops::OperationTable()) {
    if (!row.routine) {
      continue;  // crop and rotate make their own result; timed on their own
    }
    const std::size_t before = cases.size();
    for (const Timed& timed : kTimed) {
      if (SameName(timed.step, row.batchName) && SameName(timed.variant, row.variantName)) {
        cases.push_back({timed.name, &row, Pack(row, timed.values), timed.opencv, timed.goal});
      }
    }
    if (cases.size() == before) {
      cases.push_back(Untimed(row));
    }
  }
  return cases;
}

int RunCase(const OperationCase& timed, const PixelImage& source, PixelImage& destination) {
  return timed.row->routine(source, destination, timed.lParam);
}

ImagePtr DestinationFor(const OperationCase& timed, const PixelImage& source) {
  if (timed.row->shape == ops::Shape::kResize) {
    const ParameterValues size = timed.row->unpack(timed.lParam);
    return CreateImage(size[1], size[0]);
  }
  return CloneImage(source);  // as the dispatcher prepares it at the most
}

}  // namespace vantoria::bench
