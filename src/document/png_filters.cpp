#include "document/png_filters.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "imaging/simd.h"

namespace vantoria {
namespace {

constexpr int kFilterCount = 5;
using Costs = std::array<std::uint64_t, kFilterCount>;

// --- The plain form: byte by byte ---

int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The prediction of filter `type` from the byte to the left, the one above and the one above
// left (0 left of the first pixel).
template <int kType>
int Predict(int left, int up, int upLeft) {
  if constexpr (kType == 0) {
    return 0;
  } else if constexpr (kType == 1) {
    return left;
  } else if constexpr (kType == 2) {
    return up;
  } else if constexpr (kType == 3) {
    return (left + up) >> 1;
  } else {
    return Paeth(left, up, upLeft);
  }
}

// libpng's measure of a residual: its byte read as signed, by magnitude. Small compresses well.
int Cost(int residual) {
  return std::abs(static_cast<int>(static_cast<std::int8_t>(residual)));
}

template <int kType>
int Residual(const std::uint8_t* row, const std::uint8_t* up, std::size_t i, int bpp) {
  return row[i] - Predict<kType>(row[i - bpp], up[i], up[i - bpp]);
}

void AddCosts(const std::uint8_t* row, const std::uint8_t* up, std::size_t first, std::size_t end,
              int bpp, Costs& costs) {
  for (std::size_t i = first; i < end; ++i) {
    costs[0] += static_cast<std::uint64_t>(Cost(Residual<0>(row, up, i, bpp)));
    costs[1] += static_cast<std::uint64_t>(Cost(Residual<1>(row, up, i, bpp)));
    costs[2] += static_cast<std::uint64_t>(Cost(Residual<2>(row, up, i, bpp)));
    costs[3] += static_cast<std::uint64_t>(Cost(Residual<3>(row, up, i, bpp)));
    costs[4] += static_cast<std::uint64_t>(Cost(Residual<4>(row, up, i, bpp)));
  }
}

template <int kType>
void Apply(const std::uint8_t* row, const std::uint8_t* up, std::size_t first, std::size_t end,
           int bpp, std::uint8_t* out) {
  for (std::size_t i = first; i < end; ++i) {
    out[i] = static_cast<std::uint8_t>(Residual<kType>(row, up, i, bpp));
  }
}

// --- The vector form: sixteen bytes at a time in 16-bit lanes ---

using simd::I16x16;
using simd::U16x16;
using simd::U8x16;

struct Group {
  I16x16 value;
  I16x16 left;
  I16x16 up;
  I16x16 upLeft;
};

VANTORIA_INLINE void LoadGroup(Group& group, const std::uint8_t* row, const std::uint8_t* up,
                               std::size_t i, int bpp) {
  U8x16 bytes;
  simd::Load(bytes, row + i);
  group.value = __builtin_convertvector(bytes, I16x16);
  simd::Load(bytes, row + i - bpp);
  group.left = __builtin_convertvector(bytes, I16x16);
  simd::Load(bytes, up + i);
  group.up = __builtin_convertvector(bytes, I16x16);
  simd::Load(bytes, up + i - bpp);
  group.upLeft = __builtin_convertvector(bytes, I16x16);
}

VANTORIA_INLINE void Magnitude(I16x16& out, const I16x16& value) {
  out = value < 0 ? -value : value;
}

template <int kType>
VANTORIA_INLINE void GroupResidual(I16x16& out, const Group& group) {
  if constexpr (kType == 0) {
    out = group.value;
  } else if constexpr (kType == 1) {
    out = group.value - group.left;
  } else if constexpr (kType == 2) {
    out = group.value - group.up;
  } else if constexpr (kType == 3) {
    out = group.value - ((group.left + group.up) >> 1);
  } else {
    I16x16 pa;
    I16x16 pb;
    I16x16 pc;
    Magnitude(pa, group.up - group.upLeft);
    Magnitude(pb, group.left - group.upLeft);
    Magnitude(pc, group.left + group.up - 2 * group.upLeft);
    const I16x16 byUp = pb <= pc ? group.up : group.upLeft;
    out = group.value - ((pa <= pb) & (pa <= pc) ? group.left : byUp);
  }
}

// Cost() on every lane: the low byte read as signed, by magnitude.
template <int kType>
VANTORIA_INLINE void AddGroupCost(U16x16& sum, const Group& group) {
  I16x16 residual;
  GroupResidual<kType>(residual, group);
  I16x16 cost;
  Magnitude(cost, (residual << 8) >> 8);
  sum += (U16x16)cost;
}

// Costs of the groups from 0 while sixteen bytes remain; returns where they stopped.
std::size_t AddGroupCosts(const std::uint8_t* row, const std::uint8_t* up, std::size_t bytes,
                          int bpp, Costs& costs) {
  // A lane gains at most 128 a group: 256 groups fit in 16 bits before they are added up.
  constexpr std::size_t kGroupsPerSum = 256;
  std::size_t i = 0;
  simd::RunVectorised([&]() VANTORIA_KERNEL {
    while (i + 16 <= bytes) {
      std::array<U16x16, kFilterCount> sums{};
      for (std::size_t g = 0; g < kGroupsPerSum && i + 16 <= bytes; ++g, i += 16) {
        Group group;
        LoadGroup(group, row, up, i, bpp);
        AddGroupCost<0>(sums[0], group);
        AddGroupCost<1>(sums[1], group);
        AddGroupCost<2>(sums[2], group);
        AddGroupCost<3>(sums[3], group);
        AddGroupCost<4>(sums[4], group);
      }
      for (int f = 0; f < kFilterCount; ++f) {
        for (int lane = 0; lane < 16; ++lane) {
          costs[f] += sums[f][lane];
        }
      }
    }
  });
  return i;
}

template <int kType>
std::size_t ApplyGroups(const std::uint8_t* row, const std::uint8_t* up, std::size_t bytes, int bpp,
                        std::uint8_t* out) {
  std::size_t i = 0;
  simd::RunVectorised([&]() VANTORIA_KERNEL {
    for (; i + 16 <= bytes; i += 16) {
      Group group;
      LoadGroup(group, row, up, i, bpp);
      I16x16 residual;
      GroupResidual<kType>(residual, group);
      simd::Store(out + i, __builtin_convertvector(residual, U8x16));
    }
  });
  return i;
}

template <int kType>
void ApplyFilter(const std::uint8_t* row, const std::uint8_t* up, std::size_t bytes, int bpp,
                 std::uint8_t* out) {
  const std::size_t done = simd::UseAvx2() ? ApplyGroups<kType>(row, up, bytes, bpp, out) : 0;
  Apply<kType>(row, up, done, bytes, bpp, out);
}

}  // namespace

void FilterPngRow(const std::uint8_t* row, const std::uint8_t* up, std::size_t bytes, int bpp,
                  std::uint8_t* out) {
  // The portable build takes the plain form, so that every configuration test compares the two.
  Costs costs{};
  const std::size_t done = simd::UseAvx2() ? AddGroupCosts(row, up, bytes, bpp, costs) : 0;
  AddCosts(row, up, done, bytes, bpp, costs);
  const auto best = static_cast<int>(std::min_element(costs.begin(), costs.end()) - costs.begin());
  using Filter =
      void (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, int, std::uint8_t*);
  constexpr std::array<Filter, kFilterCount> kFilters = {
      ApplyFilter<0>, ApplyFilter<1>, ApplyFilter<2>, ApplyFilter<3>, ApplyFilter<4>};
  out[0] = static_cast<std::uint8_t>(best);
  kFilters[static_cast<std::size_t>(best)](row, up, bytes, bpp, out + 1);
}

}  // namespace vantoria
