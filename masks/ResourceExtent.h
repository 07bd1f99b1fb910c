// Whether a resource's bytes lie inside the module that holds them (Windows).
#pragma once

#include <cstdint>

#include "settings/BaseModule.h"

// Windows maps a module whole but takes each resource's size from the
// module's own table: a damaged module can claim more bytes than it holds,
// and the decoder would read past its end. (The POSIX module services check
// every resource against the module's file themselves.)
bool ResourceInsideModule(HMODULE module, const void* data, uint64_t size);
