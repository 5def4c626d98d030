#pragma once

// Fixed-width vectors for the fast kernels. A kernel is written once, as an always-inline
// function over these 32-byte vectors, and RunVectorised compiles it twice: for AVX2, chosen
// at run time when the processor has it, and for the portable baseline, where the compiler
// splits each vector into halves it can handle. Only exact operations are used: integer
// arithmetic, and IEEE double arithmetic one operation at a time (-ffp-contract=off keeps
// multiplies and adds apart, and the AVX2 build does not enable fused multiply-add).
// Vectors cross function boundaries only by reference: passed by value, a 32-byte vector
// would be passed differently in the two builds.

#include <cstdint>
#include <cstring>

// For kernels and for the lambdas handed to RunVectorised: inlined into each build.
#define VANTORIA_INLINE __attribute__((always_inline)) inline
#define VANTORIA_KERNEL __attribute__((always_inline))

namespace vantoria::simd {

using U8x32 = std::uint8_t __attribute__((vector_size(32)));
using F64x8 = double __attribute__((vector_size(64)));  // only for conversions, see ToDoubles
using I16x16 = std::int16_t __attribute__((vector_size(32)));
using U16x16 = std::uint16_t __attribute__((vector_size(32)));
using I32x8 = std::int32_t __attribute__((vector_size(32)));
using U32x8 = std::uint32_t __attribute__((vector_size(32)));
using F64x4 = double __attribute__((vector_size(32)));
using I32x4 = std::int32_t __attribute__((vector_size(16)));
using U32x4 = std::uint32_t __attribute__((vector_size(16)));
using I16x8 = std::int16_t __attribute__((vector_size(16)));
using I16x4 = std::int16_t __attribute__((vector_size(8)));
using U8x16 = std::uint8_t __attribute__((vector_size(16)));
using U8x4 = std::uint8_t __attribute__((vector_size(4)));
using U64x2 = std::uint64_t __attribute__((vector_size(16)));

enum class VectorLevel { kBaseline, kAvx2 };

// The widest level this processor runs.
VectorLevel SupportedVectorLevel();
// The level kernels run at; starts at the supported one (testing_hooks.h lowers it).
VectorLevel ActiveVectorLevel();

// True when kernels run in the AVX2 build. A few kernels whose portable build comes out slower
// than their plain scalar code (the compiler splits some 32-byte operations badly without
// AVX2) take the scalar code when it is false.
inline bool UseAvx2() {
  return ActiveVectorLevel() == VectorLevel::kAvx2;
}

template <typename Vector>
VANTORIA_INLINE void Load(Vector& vector, const void* from) {
  std::memcpy(&vector, from, sizeof vector);
}

// int32 lanes to doubles (exact). Written through eight lanes, which the compiler turns into
// one conversion instruction per four lanes; four lanes directly would become two half
// conversions and a shuffle.
VANTORIA_INLINE void ToDouble(F64x4& doubles, const I32x4& ints) {
  const I32x8 wide = __builtin_shufflevector(ints, ints, 0, 1, 2, 3, -1, -1, -1, -1);
  const F64x8 all = __builtin_convertvector(wide, F64x8);
  doubles = __builtin_shufflevector(all, all, 0, 1, 2, 3);
}

VANTORIA_INLINE void ToDoubles(F64x4& low, F64x4& high, const I32x8& ints) {
  const F64x8 all = __builtin_convertvector(ints, F64x8);
  low = __builtin_shufflevector(all, all, 0, 1, 2, 3);
  high = __builtin_shufflevector(all, all, 4, 5, 6, 7);
}

// Doubles to int32 lanes, truncating toward zero; every value must fit.
VANTORIA_INLINE void Truncate(I32x8& ints, const F64x4& low, const F64x4& high) {
  ints = __builtin_shufflevector(__builtin_convertvector(low, I32x4),
                                 __builtin_convertvector(high, I32x4), 0, 1, 2, 3, 4, 5, 6, 7);
}

// Every lane `value`.
VANTORIA_INLINE void Splat(F64x4& vector, double value) {
  vector = F64x4{value, value, value, value};
}

template <typename Vector>
VANTORIA_INLINE void Store(void* to, const Vector& vector) {
  std::memcpy(to, &vector, sizeof vector);
}

#if defined(__x86_64__) && defined(__GNUC__)
template <typename Kernel>
__attribute__((target("avx2"), noinline)) void RunAvx2(const Kernel& kernel) {
  kernel();
}
#endif

template <typename Kernel>
__attribute__((noinline)) void RunBaseline(const Kernel& kernel) {
  kernel();
}

// Runs `kernel`, a lambda marked VANTORIA_KERNEL, in the build for the active level.
template <typename Kernel>
void RunVectorised(const Kernel& kernel) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (ActiveVectorLevel() == VectorLevel::kAvx2) {
    RunAvx2(kernel);
    return;
  }
#endif
  RunBaseline(kernel);
}

}  // namespace vantoria::simd
