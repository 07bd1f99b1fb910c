#include "ProcessCounters.h"

#include <windows.h>
#include <winternl.h>

#include <stdint.h>

#include <vector>

namespace {

size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(count, heaps.data());
  }
  size_t total = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return total;
}

// The system's handle table (information class 16), filtered to this process:
// GetProcessHandleCount answers 0 under Wine.
long KernelHandleCount() {
  struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(1 << 20);
  for (int attempt = 0; attempt < 4; ++attempt) {
    ULONG needed = 0;
    NTSTATUS status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
      const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(void*));
      const auto self = static_cast<USHORT>(GetCurrentProcessId());
      long own = 0;
      for (ULONG i = 0; i < count; ++i) own += entries[i].processId == self;
      return own;
    }
    buffer.resize(buffer.size() * 4);
  }
  return -1;
}

// GetGuiResources answers 0 under Wine; Wine keeps the GDI handle table in
// the process environment block as Windows does, with 24-byte entries whose
// type byte is zero when free.
long GdiObjectCount() {
  const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (reported != 0) return static_cast<long>(reported);
  struct WineGdiEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
  };
  static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI table entry");
  static_assert(sizeof(void*) == 4, "the table pointer sits at 0x94 of a 32-bit environment block");
  using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
  const auto* environment = reinterpret_cast<const char*>(basic.PebBaseAddress);
  const auto* table = *reinterpret_cast<const WineGdiEntry* const*>(environment + 0x94);
  if (!table) return -1;
  long used = 0;
  for (int i = 0; i < 0x10000; ++i) used += table[i].type != 0;
  return used;
}

}  // namespace

ProcessCounters ProcessCounters::Now() {
  ProcessCounters counters;
  counters.heapBytes = HeapBytesInUse();
  counters.kernelHandles = KernelHandleCount();
  counters.gdiObjects = GdiObjectCount();
  return counters;
}

ProcessCounters ProcessCounters::Settled(const ProcessCounters& earlier) {
  ProcessCounters counters = Now();
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (counters.kernelHandles == earlier.kernelHandles && counters.gdiObjects == earlier.gdiObjects) break;
    Sleep(20);
    counters = Now();
  }
  return counters;
}
