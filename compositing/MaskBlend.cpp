// The public entry and the choice of row variant, made once from the CPU's
// features: the reference first, then each level the CPU has overrides it.
#include "MaskBlend.h"

#include <atomic>

#include "platform/cpu/CpuLevel.h"
#include "MaskBlendRow.h"

static_assert(MASK_BLEND_REFERENCE == static_cast<int32_t>(CPU_LEVEL_BASELINE) &&
                  MASK_BLEND_SSE2 == static_cast<int32_t>(CPU_LEVEL_SSE2) &&
                  MASK_BLEND_AVX2 == static_cast<int32_t>(CPU_LEVEL_AVX2) &&
                  MASK_BLEND_AVX512 == static_cast<int32_t>(CPU_LEVEL_AVX512),
              "the kernel's levels are the CPU levels");

namespace {

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
  if (allowed < MASK_BLEND_AVX512) return chosen;
  chosen = {MASK_BLEND_AVX512, BlendMaskRowAvx512};
#endif
  return chosen;
}

// Level and row function are set together; the row function alone is read
// per row.
struct Active {
  std::atomic<MASK_BLEND_LEVEL> level;
  std::atomic<MaskBlendRowFn> row;

  Active() {
    const Selection best = Select(MASK_BLEND_AVX512);
    level.store(best.level, std::memory_order_relaxed);
    row.store(best.row, std::memory_order_relaxed);
  }
};

Active& ActiveVariant() {
  static Active active;
  return active;
}

}  // namespace

// The kernel has a variant for every level the CPU detection knows.
MASK_BLEND_LEVEL MaskBlendCpuLevel() { return static_cast<MASK_BLEND_LEVEL>(CpuLevel()); }

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

const char* MaskBlendLevelName(MASK_BLEND_LEVEL level) { return CpuLevelName(static_cast<CPU_LEVEL>(level)); }
