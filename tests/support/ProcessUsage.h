// What the running process holds, for tests that must not let it grow.
#pragma once

#include <cstdint>

struct ProcessUsage {
  uint64_t memoryBytes;  // resident set on POSIX, private bytes on Windows
  uint64_t heapBytes;    // bytes in live heap blocks
  uint64_t handles;      // open file descriptors on POSIX, kernel handles on Windows
};

ProcessUsage CurrentProcessUsage();

// Whether an address sanitizer's allocator runs the heap: it keeps freed
// pages in its own pools, so the resident set swings by megabytes while the
// live heap stays exact.
bool HeapIsSanitized();
