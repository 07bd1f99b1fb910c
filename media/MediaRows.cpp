// The table of rows: the reference first, then each level the CPU has
// overrides it.
#include "MediaRows.h"

#include "platform/cpu/CpuLevelTables.h"
#if defined(__i386__) || defined(__x86_64__)
#include "media/x86/MediaRowsX86.h"
#endif

namespace kavro {

void InitMediaRows(MediaRowFunctions& rows, CPU_LEVEL level) {
  rows.packYuy2 = PackYuy2Reference;
  rows.unpackYuy2 = UnpackYuy2Reference;
  rows.rgbaToYCbCr = RgbaToYCbCrReference;
  rows.yCbCrToRgba = YCbCrToRgbaReference;
  rows.downsampleChroma = DownsampleChromaReference;
  rows.upsampleChroma = UpsampleChromaReference;
#if defined(__i386__) || defined(__x86_64__)
  InitMediaRowsX86(rows, RunnableCpuLevel(level));
#else
  (void)level;
#endif
}

const MediaRowFunctions& MediaRows() {
  static const CpuLevelTables<MediaRowFunctions> tables(InitMediaRows);
  return tables.InUse();
}

}  // namespace kavro
