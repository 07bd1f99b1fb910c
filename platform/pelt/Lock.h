// The library's locks. On Windows a slim reader/writer lock: it needs no
// storage of its own, where the posix-thread runtime's mutex allocates a
// record on first use that nothing frees when the library is unloaded.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <mutex>
#endif

namespace pelt {

class Lock {
 public:
  constexpr Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

#if defined(_WIN32)
  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
#else
  void lock() { lock_.lock(); }
  void unlock() { lock_.unlock(); }

 private:
  std::mutex lock_;
#endif
};

}  // namespace pelt
