#include "ProcessUsage.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#endif

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

uint64_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
  // Every heap of the process: the C runtime may keep one of its own.
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  uint64_t busy = 0;
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return busy;
#else
  return mallinfo2().uordblks;
#endif
}

}  // namespace

bool HeapIsSanitized() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#else
  return false;
#endif
}

ProcessUsage CurrentProcessUsage() {
  ProcessUsage usage = {0, LiveHeapBytes(), 0};
#if defined(_WIN32)
  // Committed private memory, region by region, and the handles that answer
  // to GetHandleInformation: both work the same on Windows and under Wine,
  // where the process counters are not kept.
  MEMORY_BASIC_INFORMATION region;
  for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) usage.memoryBytes += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++usage.handles;
  }
#else
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0, resident = 0;
  if (statm >> pages >> resident) usage.memoryBytes = resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  if (DIR* descriptors = opendir("/proc/self/fd")) {
    while (readdir(descriptors)) ++usage.handles;
    closedir(descriptors);
  }
#endif
  return usage;
}
