// The public entry and the choice of row variant, made once from the CPU's
// features: the reference first, then each level the CPU has overrides it.
#include "MaskBlend.h"

#include <atomic>

#include "MaskBlendRow.h"

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

MASK_BLEND_LEVEL DetectCpuLevel() {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (edx & bit_SSE2) == 0) return MASK_BLEND_REFERENCE;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || (ebx & bit_AVX2) == 0) return MASK_BLEND_SSE2;
  return OsSavesYmmState() ? MASK_BLEND_AVX2 : MASK_BLEND_SSE2;
}
#else
MASK_BLEND_LEVEL DetectCpuLevel() { return MASK_BLEND_REFERENCE; }
#endif

struct Selection {
  MASK_BLEND_LEVEL level;
  MaskBlendRowFn row;
};

Selection Select(MASK_BLEND_LEVEL limit) {
  const MASK_BLEND_LEVEL cpu = MaskBlendCpuLevel();
  const MASK_BLEND_LEVEL allowed = limit < cpu ? limit : cpu;
  Selection chosen = {MASK_BLEND_REFERENCE, BlendMaskRowReference};
#if defined(__i386__) || defined(__x86_64__)
  if (allowed < MASK_BLEND_SSE2) return chosen;
  chosen = {MASK_BLEND_SSE2, BlendMaskRowSse2};
  if (allowed < MASK_BLEND_AVX2) return chosen;
  chosen = {MASK_BLEND_AVX2, BlendMaskRowAvx2};
#endif
  return chosen;
}

// Level and row function are set together; the row function alone is read
// per row.
struct Active {
  std::atomic<MASK_BLEND_LEVEL> level;
  std::atomic<MaskBlendRowFn> row;

  Active() {
    const Selection best = Select(MASK_BLEND_AVX2);
    level.store(best.level, std::memory_order_relaxed);
    row.store(best.row, std::memory_order_relaxed);
  }
};

Active& ActiveVariant() {
  static Active active;
  return active;
}

}  // namespace

MASK_BLEND_LEVEL MaskBlendCpuLevel() {
  static const MASK_BLEND_LEVEL cpu = DetectCpuLevel();
  return cpu;
}

MASK_BLEND_LEVEL MaskBlendActiveLevel() { return ActiveVariant().level.load(std::memory_order_relaxed); }

MASK_BLEND_LEVEL SetMaskBlendLevelLimit(MASK_BLEND_LEVEL limit) {
  const Selection chosen = Select(limit);
  Active& active = ActiveVariant();
  active.row.store(chosen.row, std::memory_order_relaxed);
  active.level.store(chosen.level, std::memory_order_relaxed);
  return chosen.level;
}

void BlendMaskRowYUV422Alpha(uint8_t* outputBuffer, const uint8_t* workBuffer, uint32_t rowOffset, uint32_t byteCount,
                             const uint8_t* maskBits, int32_t maskOffset, uint32_t alphaOffset, bool invert) {
  // Less than one pixel, or no buffers to mix: nothing to do.
  if (byteCount < 2 || !outputBuffer || !workBuffer || !maskBits) return;
  MaskBlendRow row;
  row.out = outputBuffer + rowOffset;
  row.work = workBuffer + rowOffset;
  row.outAlpha = outputBuffer + alphaOffset;
  row.workAlpha = workBuffer + alphaOffset;
  row.mask = maskBits + maskOffset;
  row.byteCount = byteCount;
  // Two's complement: a negative odd offset is odd here too.
  row.startsOnSecondPixel = (static_cast<uint32_t>(maskOffset) & 1u) != 0;
  row.maskXor = invert ? 0x00 : 0xFF;
  ActiveVariant().row.load(std::memory_order_relaxed)(row);
}

const char* MaskBlendLevelName(MASK_BLEND_LEVEL level) {
  switch (level) {
    case MASK_BLEND_REFERENCE:
      return "reference";
    case MASK_BLEND_SSE2:
      return "sse2";
    case MASK_BLEND_AVX2:
      return "avx2";
  }
  return "unknown";
}
