#include "ProcessUsage.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h.
#include <psapi.h>
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
  // The C runtime allocates from the process heap.
  HANDLE heap = GetProcessHeap();
  uint64_t busy = 0;
  if (!HeapLock(heap)) return 0;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
  }
  HeapUnlock(heap);
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
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    usage.memoryBytes = counters.PrivateUsage;
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) usage.handles = handles;
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
