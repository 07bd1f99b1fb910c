#include "ModuleState.h"

namespace {
thread_local AFX_MODULE_STATE* currentState = nullptr;
}

AFX_MODULE_STATE* AfxGetModuleState() { return currentState; }

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* state) : previous_(currentState) { currentState = state; }

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { currentState = previous_; }

void AfxInitModuleState(AFX_MODULE_STATE& state, HINSTANCE instance) {
  state.instanceHandle = instance;
  state.resourceHandle = instance;
  state.inResourceChain = true;
}

void AfxTermModuleState(AFX_MODULE_STATE& state) {
  state.inResourceChain = false;
  if (currentState == &state) currentState = nullptr;
}

void AfxReleaseThreadState(AFX_MODULE_STATE& state) {
  if (currentState == &state) currentState = nullptr;
}
