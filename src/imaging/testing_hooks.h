#pragma once

// Process-wide switches for tests and the benchmark; the program never calls them.

#include "imaging/simd.h"

namespace vantoria::simd {

// Sets the level kernels run at, to check or time the baseline build; a level the processor
// lacks falls back to the supported one.
void SetVectorLevel(VectorLevel level);

}  // namespace vantoria::simd
