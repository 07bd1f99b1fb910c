// What the statically linked MinGW runtime would leave behind each time a
// host unloads one of our libraries, which a host that loads and unloads
// plug-ins repeatedly would pile up:
//
// - libstdc++'s emergency exception pool, allocated when the library loads
//   and never freed (about 19 KB a load on i686). Given back when the library
//   unloads.
// - the per-thread record winpthreads makes for a thread that first calls
//   pthread_once (its cancellation handling), which holds two handles and is
//   freed only when that thread ends, never when the library unloads. The
//   unwinder's frame registration and thread-safe local statics call
//   pthread_once on the loading thread. The library links against the
//   pthread_once below instead (-Wl,--wrap=pthread_once), which runs each
//   initialiser exactly once without such a record; nothing we link cancels
//   a thread.
// - the mutex and condition variable libstdc++ makes to guard the first run of
//   local statics' initialisers: winpthreads allocates a record for each and
//   libstdc++ never destroys them. The library links against the guard
//   functions below instead (-Wl,--wrap=__cxa_guard_acquire, ...), built on a
//   slim lock and a condition variable, which need no storage of their own.
#include <pthread.h>
#include <stdint.h>
#include <windows.h>

namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct EmergencyPoolRelease {
  EmergencyPoolRelease() = default;
  EmergencyPoolRelease(const EmergencyPoolRelease&) = delete;
  EmergencyPoolRelease& operator=(const EmergencyPoolRelease&) = delete;
  ~EmergencyPoolRelease() { __gnu_cxx::__freeres(); }
};

EmergencyPoolRelease emergencyPoolRelease;

// The once value: 0 not yet run, 2 running on some thread, 1 done.
constexpr LONG kNotRun = 0;
constexpr LONG kDone = 1;
constexpr LONG kRunning = 2;

}  // namespace

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*initialise)(void)) {
  if (!once || !initialise) return EINVAL;
  auto* state = reinterpret_cast<volatile LONG*>(once);
  for (;;) {
    const LONG seen = InterlockedCompareExchange(state, kRunning, kNotRun);
    if (seen == kNotRun) {
      initialise();
      InterlockedExchange(state, kDone);
      return 0;
    }
    if (seen == kDone) return 0;
    SwitchToThread();  // another thread is running the initialiser
  }
}

namespace {

// A guard's first byte says the static is initialised (the compiler's code
// tests it without a call); its second, that some thread is initialising it.
SRWLOCK guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE guardSettled = CONDITION_VARIABLE_INIT;

volatile unsigned char* GuardBytes(int64_t* guard) { return reinterpret_cast<volatile unsigned char*>(guard); }

}  // namespace

// 1: the caller runs the initialiser and then calls release (or abort, when
// it throws); 0: the static is initialised.
extern "C" int __wrap___cxa_guard_acquire(int64_t* guard) {
  volatile unsigned char* bytes = GuardBytes(guard);
  if (__atomic_load_n(&bytes[0], __ATOMIC_ACQUIRE)) return 0;
  AcquireSRWLockExclusive(&guardLock);
  for (;;) {
    if (bytes[0]) {
      ReleaseSRWLockExclusive(&guardLock);
      return 0;
    }
    if (!bytes[1]) {
      bytes[1] = 1;
      ReleaseSRWLockExclusive(&guardLock);
      return 1;
    }
    SleepConditionVariableSRW(&guardSettled, &guardLock, INFINITE, 0);
  }
}

extern "C" void __wrap___cxa_guard_release(int64_t* guard) {
  volatile unsigned char* bytes = GuardBytes(guard);
  AcquireSRWLockExclusive(&guardLock);
  bytes[1] = 0;
  __atomic_store_n(&bytes[0], 1, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardSettled);
}

extern "C" void __wrap___cxa_guard_abort(int64_t* guard) {
  AcquireSRWLockExclusive(&guardLock);
  GuardBytes(guard)[1] = 0;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardSettled);
}
