// Switches of the image library for its own tests and benchmarks, which
// hold its fast paths to the general ones. The plug-in uses none of them.
#pragma once

#include <stdint.h>

#include "masks/Pelt.h"
#include "platform/cpu/CpuLevel.h"

// Which decoding paths a PNG may take.
enum PELT_PNG_PATHS : int32_t {
  PELT_PNG_PLAIN_THEN_GENERAL = 0,  // the default: plain 8-bit gray files their own way, the rest through libspng
  PELT_PNG_GENERAL_ONLY = 1,        // every file through libspng
  PELT_PNG_PLAIN_ONLY = 2,          // only the plain path; a file it declines fails to read
};

// Sets the paths for every decode from now on and answers the previous setting.
PELT_API PELT_PNG_PATHS PeltSetPngPaths(PELT_PNG_PATHS paths);

// SetCpuLevelLimit inside the library, which holds its own copy of the cap:
// caps the level of its row loops (the CPU's best by default) and answers
// the level they now run at.
PELT_API CPU_LEVEL PeltSetCpuLevelLimit(CPU_LEVEL limit);
