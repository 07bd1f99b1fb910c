#include "LoadedPlugin.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

LoadedPlugin::LoadedPlugin(const std::string& path) {
#if defined(_WIN32)
  // The plug-in's own folder must be searched for the image library beside it,
  // which takes an absolute path.
  char fullPath[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, fullPath, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    error_ = "cannot resolve " + path;
    return;
  }
  HMODULE module = LoadLibraryExA(fullPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
