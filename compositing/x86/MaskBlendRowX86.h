// The mask blend's x86 rows, each in a file built for its instruction set,
// and the initialiser that puts them in the kernel's table.
#pragma once

#include "compositing/MaskBlendRow.h"
#include "platform/cpu/CpuLevel.h"

MaskBlendRowFn BlendMaskRowSse2;
MaskBlendRowFn BlendMaskRowAvx2;
MaskBlendRowFn BlendMaskRowAvx512;

// Overrides the entries of `table` that have a variant at `level` or below;
// `level` must be one this CPU runs.
void InitMaskBlendRowsX86(MaskBlendRowFunctions& table, CPU_LEVEL level);
