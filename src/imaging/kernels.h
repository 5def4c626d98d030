#pragma once

#include <array>

namespace vantoria {

// A square weight table; element [u][w] weighs the pixel u rows below and w columns right of
// the window's top-left corner.
using Kernel3 = std::array<std::array<int, 3>, 3>;

inline constexpr Kernel3 kSharpenKernel = {{{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}}};
// Not the kernel's sum (0): a third of the Laplacian is added to the pixel.
inline constexpr int kSharpenDivisor = 3;

// Indexed by soften method: 0 box, 1 Gaussian, 2 median cross mask.
inline constexpr std::array<Kernel3, 3> kSmoothKernels = {{
    {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}},
    {{{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}},
    {{{0, 1, 0}, {1, 1, 1}, {0, 1, 0}}},
}};
// The kernel sums for box and Gaussian; for the median mask, its number of cells.
inline constexpr std::array<int, 3> kSmoothDivisors = {9, 16, 5};

}  // namespace vantoria
