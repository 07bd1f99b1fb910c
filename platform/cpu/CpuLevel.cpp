#include "CpuLevel.h"

#include <atomic>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)
// The OS must save the registers an instruction set adds: XCR0 bits 1 and 2
// for the 256-bit ones, and 5 to 7 for AVX-512's mask and 512-bit ones.
constexpr uint32_t kYmmState = 0x6;
constexpr uint32_t kZmmState = 0xE6;

bool OsSavesState(uint32_t state) {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool osxsave = (ecx & bit_OSXSAVE) != 0;
  const bool avx = (ecx & bit_AVX) != 0;
  if (!osxsave || !avx) return false;
  uint32_t xcr0 = 0, xcr0High = 0;
  __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  return (xcr0 & state) == state;
}

bool HasAvx512Level(uint32_t ebx7, uint32_t ecx7) {
  const bool f = (ebx7 & bit_AVX512F) != 0, bw = (ebx7 & bit_AVX512BW) != 0, vl = (ebx7 & bit_AVX512VL) != 0;
  const bool vbmi = (ecx7 & bit_AVX512VBMI) != 0, vbmi2 = (ecx7 & bit_AVX512VBMI2) != 0;
  return f && bw && vl && vbmi && vbmi2 && OsSavesState(kZmmState);
}

CPU_LEVEL Detect() {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (edx & bit_SSE2) == 0) return CPU_LEVEL_BASELINE;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || (ebx & bit_AVX2) == 0) return CPU_LEVEL_SSE2;
  if (!OsSavesState(kYmmState)) return CPU_LEVEL_SSE2;
  return HasAvx512Level(ebx, ecx) ? CPU_LEVEL_AVX512 : CPU_LEVEL_AVX2;
}
#else
CPU_LEVEL Detect() { return CPU_LEVEL_BASELINE; }
#endif

std::atomic<CPU_LEVEL>& Active() {
  static std::atomic<CPU_LEVEL> active{CpuLevel()};
  return active;
}

}  // namespace

CPU_LEVEL CpuLevel() {
  static const CPU_LEVEL level = Detect();
  return level;
}

CPU_LEVEL RunnableCpuLevel(CPU_LEVEL level) { return level < CpuLevel() ? level : CpuLevel(); }

CPU_LEVEL ActiveCpuLevel() { return Active().load(std::memory_order_relaxed); }

CPU_LEVEL SetCpuLevelLimit(CPU_LEVEL limit) {
  const CPU_LEVEL level = RunnableCpuLevel(limit);
  Active().store(level, std::memory_order_relaxed);
  return level;
}

const char* CpuLevelName(CPU_LEVEL level) {
  switch (level) {
    case CPU_LEVEL_BASELINE:
      return "reference";
    case CPU_LEVEL_SSE2:
      return "sse2";
    case CPU_LEVEL_AVX2:
      return "avx2";
    case CPU_LEVEL_AVX512:
      return "avx512";
  }
  return "unknown";
}
