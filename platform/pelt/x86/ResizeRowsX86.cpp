// Which row each x86 level runs. Built for the baseline: it runs before
// anything is known of the CPU beyond `level`.
#include "ResizeRowsX86.h"

namespace pelt {

void InitResizeRowsX86(ResizeRowFunctions& rows, CPU_LEVEL level) {
  if (level < CPU_LEVEL_SSE2) return;
  rows.horizontalToMiddle = HorizontalToMiddleSse2;
  rows.horizontalToLevels = HorizontalToLevelsSse2;
  rows.verticalToMiddle = VerticalToMiddleSse2;
  rows.verticalToLevels = VerticalToLevelsSse2;
  rows.horizontalLevelsToLevels = HorizontalLevelsToLevelsSse2;
  rows.verticalLevelsToLevels = VerticalLevelsToLevelsSse2;

  if (level < CPU_LEVEL_AVX2) return;
  rows.horizontalToMiddle = HorizontalToMiddleAvx2;
  rows.horizontalToLevels = HorizontalToLevelsAvx2;
  rows.verticalToMiddle = VerticalToMiddleAvx2;
  rows.verticalToLevels = VerticalToLevelsAvx2;
  rows.horizontalLevelsToLevels = HorizontalLevelsToLevelsAvx2;
  rows.verticalLevelsToLevels = VerticalLevelsToLevelsAvx2;
}

}  // namespace pelt
