// Work done when the library loads, in this order, and undone in reverse when
// it unloads: the base-module record, then the mask-name table.
#include "BaseModule.h"
#include "MaskCatalogue.h"

namespace {

HINSTANCE ModuleHoldingThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleHoldingThisCode), &module);
  return module;
}

struct BaseModuleRecord {
  HINSTANCE instance = ModuleHoldingThisCode();
};

BaseModuleRecord baseModule;

}  // namespace

HINSTANCE PluginInstance() { return baseModule.instance; }

// Destroyed last entry first at unload.
CString maskNames[kMaskCount] = {maskNameTexts[0], maskNameTexts[1], maskNameTexts[2]};
