// The dialog framework's module state: which module's resources a window of
// the framework is built from. Each library that shows windows owns one
// record and makes it current for as long as its windows exist, so its
// dialog templates are found in the library, not in the host program.
#pragma once

#include "platform/module_services/ModuleServices.h"

struct AFX_MODULE_STATE {
  explicit AFX_MODULE_STATE(bool isDll) : dll(isDll) {}
  AFX_MODULE_STATE(const AFX_MODULE_STATE&) = delete;
  AFX_MODULE_STATE& operator=(const AFX_MODULE_STATE&) = delete;

  const bool dll;                      // built as a library's state, not a program's
  HINSTANCE instanceHandle = nullptr;  // the module this state belongs to
  HINSTANCE resourceHandle = nullptr;  // where templates and texts are looked up
  bool inResourceChain = false;        // entered at attach, left at detach
};

// The state current on this thread; null when no library made its own
// current (the host program's resources apply).
AFX_MODULE_STATE* AfxGetModuleState();

// Makes a module state current for the lifetime of the object and restores
// the previous one afterwards.
class AFX_MAINTAIN_STATE2 {
 public:
  explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* state);
  ~AFX_MAINTAIN_STATE2();
  AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
  AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

 private:
  AFX_MODULE_STATE* previous_;
};

// The state of the library this code is linked into; its windows run their
// messages with it current. Defined once per library.
AFX_MODULE_STATE* AfxGetStaticModuleState();

// Attach and detach of a library's state: records the module's handle and
// enters it into (or takes it out of) the resource chain.
void AfxInitModuleState(AFX_MODULE_STATE& state, HINSTANCE instance);
void AfxTermModuleState(AFX_MODULE_STATE& state);
// A thread that ends leaves no state of the library current behind; this
// allocates nothing, whatever the thread did before.
void AfxReleaseThreadState(AFX_MODULE_STATE& state);
