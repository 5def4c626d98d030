#pragma once

#include <cstddef>
#include <cstdint>

namespace vantoria {

// Bytes a row buffer for FilterPngRow keeps before and after the row's own bytes.
inline constexpr std::size_t kPngRowLead = 4;
inline constexpr std::size_t kPngRowSlack = 16;

// Writes a row's filter byte and residuals for the filter (none, sub, up, average, Paeth)
// whose residuals cost least by libpng's measure, ties to the lower number, into out[0..bytes].
// `row` and `up` (the row above, zeros above the first) are in file byte order with `bpp`
// bytes a pixel, each with kPngRowLead zero bytes before it and kPngRowSlack bytes of room
// after it. The vector build and the plain one give the same bytes.
void FilterPngRow(const std::uint8_t* row, const std::uint8_t* up, std::size_t bytes, int bpp,
                  std::uint8_t* out);

}  // namespace vantoria
