#include "ProcessUsage.h"

#if defined(_WIN32)
#include <windows.h>

#include "ProcessCounters.h"
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

bool HeapIsSanitized() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#else
  return false;
#endif
}

ProcessUsage CurrentProcessUsage() {
  ProcessUsage usage = {0, 0, 0};
#if defined(_WIN32)
  const ProcessCounters counters = ProcessCounters::Now();
  usage.heapBytes = counters.heapBytes;
  usage.handles = counters.kernelHandles < 0 ? 0 : static_cast<uint64_t>(counters.kernelHandles);
  // Committed private memory, region by region: the process counters are not
  // kept under Wine.
  MEMORY_BASIC_INFORMATION region;
  for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) usage.memoryBytes += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
#else
  usage.heapBytes = mallinfo2().uordblks;
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0, resident = 0;
  if (statm >> pages >> resident) usage.memoryBytes = resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  if (DIR* descriptors = opendir("/proc/self/fd")) {
    while (readdir(descriptors)) ++usage.handles;
    closedir(descriptors);
  }
#endif
#if defined(__SANITIZE_ADDRESS__)
  usage.heapBytes = __sanitizer_get_current_allocated_bytes();
#endif
  return usage;
}
