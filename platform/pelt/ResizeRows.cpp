// The table of rows: the reference first, then each level the CPU has
// overrides it.
#include "ResizeRows.h"

#include "platform/cpu/CpuLevelTables.h"
#if defined(__i386__) || defined(__x86_64__)
#include "platform/pelt/x86/ResizeRowsX86.h"
#endif

namespace pelt {

void InitResizeRows(ResizeRowFunctions& rows, CPU_LEVEL level) {
  rows.horizontalToMiddle = HorizontalToMiddleReference;
  rows.horizontalToLevels = HorizontalToLevelsReference;
  rows.verticalToMiddle = VerticalToMiddleReference;
  rows.verticalToLevels = VerticalToLevelsReference;
  rows.horizontalLevelsToLevels = HorizontalLevelsToLevelsReference;
  rows.verticalLevelsToLevels = VerticalLevelsToLevelsReference;
#if defined(__i386__) || defined(__x86_64__)
  InitResizeRowsX86(rows, RunnableCpuLevel(level));
#else
  (void)level;
#endif
}

const ResizeRowFunctions& ResizeRows() {
  static const CpuLevelTables<ResizeRowFunctions> tables(InitResizeRows);
  return tables.InUse();
}

}  // namespace pelt
