// Work done when the library loads, in this order, and undone in reverse when
// it unloads: the dialog framework's module state, the base-module record,
// the mask-name table, then the registration of the BMP and PNG decoders
// (which stays). One translation unit, so the order is the order of
// definition below.
#include "BaseModule.h"
#include "masks/MaskNames.h"
#include "masks/Pelt.h"
#include "platform/dialog_framework/ModuleState.h"

namespace {

HINSTANCE ModuleHoldingThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleHoldingThisCode), &module);
  return module;
}

AFX_MODULE_STATE moduleState(true);

struct BaseModuleRecord {
  // The library enters the resource chain as soon as its handle is known
  // (on Windows while the process attach runs), and leaves it when the
  // record goes. Also right when the plug-in's code is linked into a
  // program, where no library entry point runs.
  BaseModuleRecord() { AfxInitModuleState(moduleState, instance); }
  ~BaseModuleRecord() { AfxTermModuleState(moduleState); }
  BaseModuleRecord(const BaseModuleRecord&) = delete;
  BaseModuleRecord& operator=(const BaseModuleRecord&) = delete;

  HINSTANCE instance = ModuleHoldingThisCode();
};

BaseModuleRecord baseModule;

}  // namespace

HINSTANCE PluginInstance() { return baseModule.instance; }

AFX_MODULE_STATE* AfxGetStaticModuleState() { return &moduleState; }

// Destroyed last entry first at unload.
CString maskNames[kMaskCount] = {maskNameTexts[0], maskNameTexts[1], maskNameTexts[2]};

namespace {

// Once per load; the image library keeps one entry per decoder class however
// often it is asked, and the registrations outlive the plug-in.
struct DecoderRegistration {
  DecoderRegistration() {
    TImageGenerator::AddExtendSupportFormat(TImageBMP());
    TImageGenerator::AddExtendSupportFormat(TImagePNG());
  }
};

DecoderRegistration decoderRegistration;

}  // namespace

#if defined(_WIN32)
// Static objects are built during the process attach, before this runs, and
// destroyed during the process detach, after it.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // An ending thread leaves no state of the plug-in current; this allocates
  // nothing for the thread.
  if (reason == DLL_THREAD_DETACH) AfxReleaseThreadState(moduleState);
  return TRUE;
}
#endif
