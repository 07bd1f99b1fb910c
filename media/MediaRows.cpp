// The choice of row variant, made once from the CPU's features and capped
// on request.
#include <atomic>

#include "MediaRows.h"

namespace kavro {

namespace {

std::atomic<const MediaRowFunctions*>& Active() {
  static std::atomic<const MediaRowFunctions*> active{&MediaRowsFor(CPU_LEVEL_AVX2)};
  return active;
}

}  // namespace

const MediaRowFunctions& MediaRowsFor(CPU_LEVEL level) {
  const CPU_LEVEL allowed = level < CpuLevel() ? level : CpuLevel();
#if defined(__i386__) || defined(__x86_64__)
  if (allowed >= CPU_LEVEL_AVX2) return kMediaRowsAvx2;
  if (allowed >= CPU_LEVEL_SSE2) return kMediaRowsSse2;
#else
  (void)allowed;
#endif
  return kMediaRowsReference;
}

const MediaRowFunctions& MediaRows() { return *Active().load(std::memory_order_relaxed); }

CPU_LEVEL SetMediaRowLevelLimit(CPU_LEVEL limit) {
  Active().store(&MediaRowsFor(limit), std::memory_order_relaxed);
  return limit < CpuLevel() ? limit : CpuLevel();
}

}  // namespace kavro
