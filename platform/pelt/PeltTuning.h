// Switches of the image library for its own tests and benchmarks, which
// hold its fast paths to the general ones. The plug-in uses none of them.
#pragma once

#include "CpuLevel.h"
#include "Pelt.h"

// Whether plain 8-bit gray PNGs take their own decoding path (nonzero, the
// default) or go through the general PNG decoder like every other PNG.
// Answers the previous setting.
PELT_API int PeltUsePlainGrayPngPath(int use);
