#include "CpuLevel.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)
// AVX2 needs the OS to save the 256-bit registers too (XCR0 bits 1 and 2).
bool OsSavesYmmState() {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool osxsave = (ecx & bit_OSXSAVE) != 0;
  const bool avx = (ecx & bit_AVX) != 0;
  if (!osxsave || !avx) return false;
  uint32_t xcr0 = 0, xcr0High = 0;
  __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  return (xcr0 & 0x6) == 0x6;
}

CPU_LEVEL Detect() {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (edx & bit_SSE2) == 0) return CPU_LEVEL_BASELINE;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || (ebx & bit_AVX2) == 0) return CPU_LEVEL_SSE2;
  return OsSavesYmmState() ? CPU_LEVEL_AVX2 : CPU_LEVEL_SSE2;
}
#else
CPU_LEVEL Detect() { return CPU_LEVEL_BASELINE; }
#endif

}  // namespace

CPU_LEVEL CpuLevel() {
  static const CPU_LEVEL level = Detect();
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
  }
  return "unknown";
}
