#pragma once

// Process-wide switches for tests only; the program never calls them.

namespace vantoria {

// For the paths taken when memory runs out: after `count` more successful calls,
// AllocatePixels fails as if memory were exhausted. A negative count (the start) never fails.
void FailPixelAllocationsAfter(int count);

// Waits until the buffer PrepareSparePixels was asked for is ready (or left out).
void WaitForSparePixels();

}  // namespace vantoria
