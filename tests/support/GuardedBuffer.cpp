#include "GuardedBuffer.h"

#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

size_t PageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

// One guard page on each side of the pages that hold the bytes.
GuardedBuffer::GuardedBuffer(size_t size, Side side) : size_(size) {
  const size_t page = PageSize();
  const size_t inner = (size + page - 1) / page * page;
  mappingSize_ = inner + 2 * page;
#if defined(_WIN32)
  mapping_ = VirtualAlloc(nullptr, mappingSize_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
  if (!mapping_) throw std::bad_alloc();
  DWORD previous = 0;
  if (inner != 0 && !VirtualProtect(static_cast<uint8_t*>(mapping_) + page, inner, PAGE_READWRITE, &previous)) {
    VirtualFree(mapping_, 0, MEM_RELEASE);
    throw std::bad_alloc();
  }
#else
  mapping_ = mmap(nullptr, mappingSize_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) throw std::bad_alloc();
  if (inner != 0 && mprotect(static_cast<uint8_t*>(mapping_) + page, inner, PROT_READ | PROT_WRITE) != 0) {
    munmap(mapping_, mappingSize_);
    throw std::bad_alloc();
  }
#endif
  uint8_t* first = static_cast<uint8_t*>(mapping_) + page;
  data_ = side == kGuardBefore ? first : first + inner - size;
}

GuardedBuffer::~GuardedBuffer() {
#if defined(_WIN32)
  VirtualFree(mapping_, 0, MEM_RELEASE);
#else
  munmap(mapping_, mappingSize_);
#endif
}
