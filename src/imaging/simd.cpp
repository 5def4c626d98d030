#include "imaging/simd.h"

#include "imaging/testing_hooks.h"

#include <atomic>

namespace vantoria::simd {
namespace {

VectorLevel DetectLevel() {
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx2")) {
    return VectorLevel::kAvx2;
  }
#endif
  return VectorLevel::kBaseline;
}

std::atomic<VectorLevel>& Level() {
  static std::atomic<VectorLevel> level{SupportedVectorLevel()};
  return level;
}

}  // namespace

VectorLevel SupportedVectorLevel() {
  static const VectorLevel supported = DetectLevel();
  return supported;
}

VectorLevel ActiveVectorLevel() {
  return Level().load(std::memory_order_relaxed);
}

void SetVectorLevel(VectorLevel level) {
  const VectorLevel supported = SupportedVectorLevel();
  Level().store(level == VectorLevel::kAvx2 ? supported : level, std::memory_order_relaxed);
}

}  // namespace vantoria::simd
