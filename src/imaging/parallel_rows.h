#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vantoria {

// How many threads one operation may split its rows across, for the whole process. Starts at
// the processor's hardware thread count; a count below 1 restores that.
int ThreadCount();
void SetThreadCount(int count);

// Work below this many pixels stays on the calling thread, where starting threads would cost
// more than they save. Tests set 0 to split even the smallest images.
std::size_t ParallelMinimumPixels();
void SetParallelMinimumPixels(std::size_t pixels);

// body(first, end) handles rows first..end-1 and nothing it shares with other bands.
using RowBand = std::function<void(std::int32_t first, std::int32_t end)>;

// Splits rows 0..rows-1 into contiguous bands of nearly equal height, one per thread (the
// calling thread takes one), runs `body` on each and waits for all. An exception from any band
// is rethrown here once every band has finished.
void ParallelRows(std::int32_t rows, std::size_t pixelsPerRow, const RowBand& body);

}  // namespace vantoria
