// The resizer's x86 rows, each level's in a file built for its instruction
// set, and the initialiser that puts them in a table.
#pragma once

#include "platform/cpu/CpuLevel.h"
#include "platform/pelt/ResizeRows.h"

namespace pelt {

HorizontalRowFn<uint8_t, int16_t> HorizontalToMiddleSse2, HorizontalToMiddleAvx2;
HorizontalRowFn<int16_t, uint8_t> HorizontalToLevelsSse2, HorizontalToLevelsAvx2;
VerticalRowFn<uint8_t, int16_t> VerticalToMiddleSse2, VerticalToMiddleAvx2;
VerticalRowFn<int16_t, uint8_t> VerticalToLevelsSse2, VerticalToLevelsAvx2;
HorizontalRowFn<uint8_t, uint8_t> HorizontalLevelsToLevelsSse2, HorizontalLevelsToLevelsAvx2;
VerticalRowFn<uint8_t, uint8_t> VerticalLevelsToLevelsSse2, VerticalLevelsToLevelsAvx2;

// Overrides the rows that have a variant at `level` or below; `level` must
// be one this CPU runs.
void InitResizeRowsX86(ResizeRowFunctions& rows, CPU_LEVEL level);

}  // namespace pelt
