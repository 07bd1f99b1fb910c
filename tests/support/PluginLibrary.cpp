#include "PluginLibrary.h"

#include "TestPaths.h"
#include "platform/module_services/ModuleServices.h"

#if !defined(_WIN32)
#include <dlfcn.h>

#include "platform/module_services/WideUtf8.h"
#endif

PluginLibrary::PluginLibrary(const std::wstring& fileName) {
  std::wstring path = TestDirectory() + fileName;
#if defined(_WIN32)
  HMODULE module = LoadLibraryW(path.c_str());
  handle_ = module;
  if (module) {
    create_ = reinterpret_cast<KavroCreateVideoTransitionProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "KavroCreateVideoTransition")));
  }
  if (!handle_) error_ = "LoadLibraryW failed with error " + std::to_string(GetLastError());
#else
  handle_ = dlopen(kiv_platform::WideToUtf8(path.c_str()).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_) {
    create_ = reinterpret_cast<KavroCreateVideoTransitionProc>(dlsym(handle_, "KavroCreateVideoTransition"));
  } else {
    error_ = dlerror();
  }
#endif
  if (handle_ && !create_) error_ = "KavroCreateVideoTransition is not exported";
}

PluginLibrary::~PluginLibrary() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

IKavroVideoTransition* PluginLibrary::Create() const {
  IKavroVideoTransition* transition = nullptr;
  if (!create_ || !create_(&transition)) return nullptr;
  return transition;
}
