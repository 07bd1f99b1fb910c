// The public entry and its table of row functions: the reference first,
// then each level the CPU has overrides it.
#include "MaskBlend.h"

#include "MaskBlendRow.h"
#include "platform/cpu/CpuLevelTables.h"
#if defined(__i386__) || defined(__x86_64__)
#include "compositing/x86/MaskBlendRowX86.h"
#endif

void InitMaskBlendRows(MaskBlendRowFunctions& table, CPU_LEVEL level) {
  table.blendRow = BlendMaskRowReference;
#if defined(__i386__) || defined(__x86_64__)
  InitMaskBlendRowsX86(table, RunnableCpuLevel(level));
#else
  (void)level;
#endif
}

const MaskBlendRowFunctions& MaskBlendRows() {
  static const CpuLevelTables<MaskBlendRowFunctions> tables(InitMaskBlendRows);
  return tables.InUse();
}

void BlendMaskRowYUV422Alpha(uint8_t* outputBuffer, const uint8_t* workBuffer, uint32_t rowOffset, uint32_t byteCount,
                             const uint8_t* maskBits, int32_t maskOffset, uint32_t alphaOffset, bool invert) {
  // Less than one pixel, or no buffers to mix: nothing to do.
  if (byteCount < 2 || !outputBuffer || !workBuffer || !maskBits) return;
  MaskBlendRows().blendRow(
      maskblend::RowAt(outputBuffer, workBuffer, rowOffset, byteCount, maskBits, maskOffset, alphaOffset, invert));
}
