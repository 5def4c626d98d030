#pragma once

// The operations as the benchmark times them: every row of the table of operations that runs
// into a prepared destination, each at the values it is timed with, beside its nearest OpenCV
// equivalent. A row the list below does not name is timed at its lowest values (0 where the
// range holds it), alone, so a new operation shows up without a line here.

#include <string>
#include <vector>

#include "comparison.h"
#include "core/pixel_image.h"
#include "opencv_equivalents.h"
#include "operations/operation_table.h"

namespace vantoria::bench {

struct OperationCase {
  std::string name;
  const ops::OperationRow* row = nullptr;
  ops::LParam lParam = 0;
  Run OpenCvEquivalents::*opencv = nullptr;  // none without an equivalent
  Goal goal;
};

// In the order of the table; an operation timed against more than one equivalent comes once
// for each.
std::vector<OperationCase> OperationCases();

// Runs the case from `source` into `destination`.
int RunCase(const OperationCase& timed, const PixelImage& source, PixelImage& destination);

// A destination of the size the case writes: the source's, or the new size of a resize.
ImagePtr DestinationFor(const OperationCase& timed, const PixelImage& source);

}  // namespace vantoria::bench
