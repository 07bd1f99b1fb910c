// Which row each x86 level runs. Built for the baseline: it runs before
// anything is known of the CPU beyond `level`.
#include "MaskBlendRowX86.h"

void InitMaskBlendRowsX86(MaskBlendRowFunctions& table, CPU_LEVEL level) {
  if (level < CPU_LEVEL_SSE2) return;
  table.blendRow = BlendMaskRowSse2;
  if (level < CPU_LEVEL_AVX2) return;
  table.blendRow = BlendMaskRowAvx2;
  if (level < CPU_LEVEL_AVX512) return;
  table.blendRow = BlendMaskRowAvx512;
}
