// Work done when the library loads, in this order, and undone in reverse when
// it unloads: the dialog framework's module state, the base-module record,
// the mask-name table, then the registration of the BMP and PNG decoders
// (which stays). One translation unit, so the order is the order of
// definition below.
#include "BaseModule.h"
#include "MaskNames.h"
#include "ModuleState.h"
#include "Pelt.h"

namespace {

HINSTANCE ModuleHoldingThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleHoldingThisCode), &module);
  return module;
}

AFX_MODULE_STATE moduleState(true);

struct BaseModuleRecord {
  BaseModuleRecord() {
#if !defined(_WIN32)
    // No entry point on this platform: the library enters the resource chain
    // as soon as its handle is known, and leaves it when the record goes.
    AfxInitModuleState(moduleState, instance);
#endif
  }
  ~BaseModuleRecord() {
#if !defined(_WIN32)
    AfxTermModuleState(moduleState);
#endif
  }
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
// Static objects are built before the process attach and destroyed after the
// process detach.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      AfxInitModuleState(moduleState, instance);
      break;
    case DLL_THREAD_DETACH:
      AfxReleaseThreadState(moduleState);
      break;
    case DLL_PROCESS_DETACH:
      AfxTermModuleState(moduleState);
      break;
    default:
      break;
  }
  return TRUE;
}
#endif
