#include "ModuleState.h"

#if defined(_WIN32)
namespace {

// Which state is current on each thread lives in a Win32 TLS slot, not in a
// thread_local: MinGW emulates thread_local with a block allocated when a
// thread first touches it, and the thread detach of an ending host thread
// would make one that nothing frees any more. A slot costs no memory per
// thread. Constant-initialised, so a lookup before the slot exists (or after
// it is gone) answers null instead of reading someone else's slot.
struct CurrentStateSlot {
  DWORD index;
};
CurrentStateSlot currentSlot = {TLS_OUT_OF_INDEXES};

struct CurrentStateSlotLifetime {
  CurrentStateSlotLifetime() { currentSlot.index = TlsAlloc(); }
  ~CurrentStateSlotLifetime() {
    if (currentSlot.index != TLS_OUT_OF_INDEXES) TlsFree(currentSlot.index);
    currentSlot.index = TLS_OUT_OF_INDEXES;
  }
  CurrentStateSlotLifetime(const CurrentStateSlotLifetime&) = delete;
  CurrentStateSlotLifetime& operator=(const CurrentStateSlotLifetime&) = delete;
};
CurrentStateSlotLifetime currentSlotLifetime;

AFX_MODULE_STATE* Current() {
  if (currentSlot.index == TLS_OUT_OF_INDEXES) return nullptr;
  return static_cast<AFX_MODULE_STATE*>(TlsGetValue(currentSlot.index));
}

void MakeCurrent(AFX_MODULE_STATE* state) {
  if (currentSlot.index != TLS_OUT_OF_INDEXES) TlsSetValue(currentSlot.index, state);
}

}  // namespace
#else
namespace {

thread_local AFX_MODULE_STATE* currentState = nullptr;

AFX_MODULE_STATE* Current() { return currentState; }
void MakeCurrent(AFX_MODULE_STATE* state) { currentState = state; }

}  // namespace
#endif

AFX_MODULE_STATE* AfxGetModuleState() { return Current(); }

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* state) : previous_(Current()) { MakeCurrent(state); }

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { MakeCurrent(previous_); }

void AfxInitModuleState(AFX_MODULE_STATE& state, HINSTANCE instance) {
  state.instanceHandle = instance;
  state.resourceHandle = instance;
  state.inResourceChain = true;
}

void AfxTermModuleState(AFX_MODULE_STATE& state) { state.inResourceChain = false; }

void AfxReleaseThreadState(AFX_MODULE_STATE& state) {
  if (Current() == &state) MakeCurrent(nullptr);
}
