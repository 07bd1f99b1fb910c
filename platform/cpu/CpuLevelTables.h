// The one way every family of row functions with SIMD variants picks its
// variants: the family's init function fills a table of its row functions
// for a level (the reference first, then each variant the level allows),
// once per level, and the table in use is the one for ActiveCpuLevel, so
// a single cap forces every family down together. Include it only from
// files built for the baseline: its functions are inline, and a copy built
// for a variant's instruction set could be the one the linker keeps.
#pragma once

#include <stdint.h>

#include "CpuLevel.h"

template <typename Table>
class CpuLevelTables {
 public:
  using Init = void (*)(Table& table, CPU_LEVEL level);

  explicit CpuLevelTables(Init init) {
    for (int32_t level = CPU_LEVEL_BASELINE; level <= kHighestCpuLevel; ++level) {
      init(tables_[level], static_cast<CPU_LEVEL>(level));
    }
  }

  const Table& InUse() const { return tables_[ActiveCpuLevel()]; }

 private:
  Table tables_[kHighestCpuLevel + 1];
};
