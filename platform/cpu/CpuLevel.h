// Which of the instruction-set levels our SIMD code is written for this CPU
// runs: every pixel loop with SIMD variants picks its variant from this.
#pragma once

#include <cstdint>

// Each level a superset of the one before.
enum CPU_LEVEL : int32_t {
  CPU_LEVEL_BASELINE = 0,  // plain C++ only
  CPU_LEVEL_SSE2 = 1,
  CPU_LEVEL_AVX2 = 2,  // with the OS saving the 256-bit registers
  // AVX-512 F, BW, VL, VBMI and VBMI2, with the OS saving the 512-bit and the
  // mask registers. VBMI2 first came with the cores that run 512-bit work
  // without lowering their clock; older AVX-512 CPUs stay at AVX2.
  CPU_LEVEL_AVX512 = 3,
};

// The highest level there is: a cap at it caps nothing.
constexpr CPU_LEVEL kHighestCpuLevel = CPU_LEVEL_AVX512;

// Found once, on the first call; the same answer afterwards.
CPU_LEVEL CpuLevel();

// `level`, held to what this CPU runs.
CPU_LEVEL RunnableCpuLevel(CPU_LEVEL level);

// The level every family of row functions runs at (see CpuLevelTables.h):
// the CPU's, unless capped.
CPU_LEVEL ActiveCpuLevel();

// Caps ActiveCpuLevel at `limit` for every family at once (tests and
// benchmarks force each level this way) and returns the level now in use,
// which the CPU may hold lower. Rows under way on other threads may finish
// at the old level. A shared library holds its own copy of the cap.
CPU_LEVEL SetCpuLevelLimit(CPU_LEVEL limit);

// "reference", "sse2", "avx2" or "avx512": the name of the variant written for a level.
const char* CpuLevelName(CPU_LEVEL level);
