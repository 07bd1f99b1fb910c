#include "LoadedPlugin.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

LoadedPlugin::LoadedPlugin(const std::string& path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  library_ = module;
  if (!module) {
    error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return;
  }
  factory_ = reinterpret_cast<KavroCreateVideoTransitionProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "KavroCreateVideoTransition")));
#else
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* reason = dlerror();
    error_ = "cannot load " + path + ": " + (reason ? reason : "unknown error");
    return;
  }
  factory_ = reinterpret_cast<KavroCreateVideoTransitionProc>(dlsym(library_, "KavroCreateVideoTransition"));
#endif
  if (!factory_) error_ = path + " does not export KavroCreateVideoTransition";
}

LoadedPlugin::~LoadedPlugin() {
  if (!library_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(library_));
#else
  dlclose(library_);
#endif
}
