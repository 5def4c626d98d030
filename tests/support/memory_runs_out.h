#pragma once

#include "core/testing_hooks.h"

namespace vantoria::test {

// Pixel allocations fail after `successes` more, as if memory had run out, until the scope ends.
class MemoryRunsOut {
 public:
  explicit MemoryRunsOut(int successes) { FailPixelAllocationsAfter(successes); }
  ~MemoryRunsOut() { FailPixelAllocationsAfter(-1); }
  MemoryRunsOut(const MemoryRunsOut&) = delete;
  MemoryRunsOut& operator=(const MemoryRunsOut&) = delete;
};

}  // namespace vantoria::test
