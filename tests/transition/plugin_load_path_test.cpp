// A host that loads the plug-in by a relative path and then changes its
// working directory: the plug-in still finds the resource module beside it.
// Its own program, so no other test has the plug-in loaded already.
#include <gtest/gtest.h>

#include <string>

#include "platform/module_services/ModuleServices.h"
#include "tests/support/TestPaths.h"
#include "transition/host_api/IKavroVideoTransition.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <unistd.h>

#include "platform/module_services/WideUtf8.h"
#endif

namespace {

#if defined(_WIN32)
using Library = HMODULE;

bool ChangeDirectory(const std::wstring& folder) { return SetCurrentDirectoryW(folder.c_str()) != 0; }

std::wstring ElsewhereDirectory() {
  WCHAR path[MAX_PATH] = {};
  return GetTempPathW(MAX_PATH, path) ? std::wstring(path) : std::wstring(L"C:\\");
}

Library LoadRelative(const std::wstring& fileName) { return LoadLibraryW((L".\\" + fileName).c_str()); }

KavroCreateVideoTransitionProc Factory(Library library) {
  return reinterpret_cast<KavroCreateVideoTransitionProc>(
      reinterpret_cast<void*>(GetProcAddress(library, "KavroCreateVideoTransition")));
}

bool IsLoaded(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

void Unload(Library library) { FreeLibrary(library); }
#else
using Library = void*;

bool ChangeDirectory(const std::wstring& folder) {
  return chdir(kiv_platform::WideToUtf8(folder.c_str()).c_str()) == 0;
}

std::wstring ElsewhereDirectory() { return L"/"; }

Library LoadRelative(const std::wstring& fileName) {
  return dlopen(kiv_platform::WideToUtf8((L"./" + fileName).c_str()).c_str(), RTLD_NOW | RTLD_LOCAL);
}

KavroCreateVideoTransitionProc Factory(Library library) {
  return reinterpret_cast<KavroCreateVideoTransitionProc>(dlsym(library, "KavroCreateVideoTransition"));
}

bool IsLoaded(const std::wstring& path) {
  void* library = dlopen(kiv_platform::WideToUtf8(path.c_str()).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library) dlclose(library);
  return library != nullptr;
}

void Unload(Library library) { dlclose(library); }
#endif

TEST(PluginLoadedByARelativePath, FindsItsMasksAfterTheHostChangesDirectory) {
  const std::wstring folder = TestDirectory();
  const std::wstring resourceModule = folder + SharedLibraryFileName(L"Oldkiv_complete");
  ASSERT_TRUE(ChangeDirectory(folder));
  Library plugin = LoadRelative(SharedLibraryFileName(L"kiv_complete"));
  ASSERT_NE(plugin, nullptr);
  ASSERT_TRUE(ChangeDirectory(ElsewhereDirectory()));

  KavroCreateVideoTransitionProc create = Factory(plugin);
  ASSERT_NE(create, nullptr);
  EXPECT_FALSE(IsLoaded(resourceModule)) << "loaded only with a transition object";
  IKavroVideoTransition* transition = nullptr;
  ASSERT_TRUE(create(&transition));
  EXPECT_TRUE(IsLoaded(resourceModule)) << "the object opened the module beside the plug-in";
  transition->Release();
  EXPECT_FALSE(IsLoaded(resourceModule));
  Unload(plugin);
}

}  // namespace
