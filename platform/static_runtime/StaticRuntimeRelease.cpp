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
#include <pthread.h>
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
