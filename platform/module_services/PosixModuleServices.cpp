// POSIX stand-ins for the Win32 module and resource services. A module is a
// shared object; its resources are the table the resource-module builder put
// behind KIV_RESOURCE_DIRECTORY_SYMBOL.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "ModuleFileCheck.h"
#include "ModuleServices.h"
#include "ResourceDirectoryReader.h"
#include "WideUtf8.h"

struct KivModule {
  void* library = nullptr;  // dlopen handle we own; null for borrowed handles
  std::string path;
  const KivResourceDirectory* directory = nullptr;
};

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// The directory found under KIV_RESOURCE_DIRECTORY_SYMBOL, or null when it
// is not one. Its own fields are not trusted: it is read only inside the
// size the module's dynamic symbol table gives the symbol.
const KivResourceDirectory* ValidDirectory(void* symbol) {
  if (!symbol) return nullptr;
  Dl_info info;
  void* entry = nullptr;
  if (!dladdr1(symbol, &info, &entry, RTLD_DL_SYMENT) || !entry || info.dli_saddr != symbol || !info.dli_sname ||
      strcmp(info.dli_sname, KIV_RESOURCE_DIRECTORY_SYMBOL) != 0) {
    return nullptr;
  }
  return CheckedResourceDirectory(symbol, static_cast<const ElfW(Sym)*>(entry)->st_size);
}

std::string CurrentDirectory() {
  std::string directory;
  if (char* path = getcwd(nullptr, 0)) {
    directory = path;
    free(path);
  }
  return directory;
}

// The loader keeps a module's name as it was given, relative ones included,
// where Windows reports the full path. A relative name is taken from the
// given directory and the result made plain, as Windows does: no "." parts,
// each ".." dropping the part before it.
std::string AbsolutePath(const std::string& name, const std::string& directory) {
  const std::string joined = !name.empty() && name[0] == '/' ? name : directory + "/" + name;
  std::string result;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(start, end - start);
    if (part == "..") {
      result.erase(result.empty() ? 0 : result.rfind('/'));
    } else if (!part.empty() && part != ".") {
      result += "/" + part;
    }
    start = end + 1;
  }
  return result.empty() ? "/" : result;
}

// The working directory while this library loads. The plug-in's own module
// (and anything loaded before it) was loaded from there, whatever directory
// the host moves to later.
const std::string& LoadDirectory() {
  static const std::string directory = CurrentDirectory();
  return directory;
}
[[maybe_unused]] const std::string& loadDirectory = LoadDirectory();

// Handles that name a module without owning a reference: the main program
// (the null module) and modules found by address.
std::mutex borrowedLock;
std::map<std::string, std::unique_ptr<KivModule>>& BorrowedModules() {
  static std::map<std::string, std::unique_ptr<KivModule>> modules;
  return modules;
}

// Owned by this library, so it goes away when the library unloads.
KivModule* MainProgram() {
  static KivModule program = [] {
    KivModule module;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) module.path.assign(path, static_cast<size_t>(length));
    void* self = dlopen(nullptr, RTLD_NOW);
    if (self) module.directory = ValidDirectory(dlsym(self, KIV_RESOURCE_DIRECTORY_SYMBOL));
    return module;
  }();
  return &program;
}

KivModule* Resolve(HMODULE module) { return module ? module : MainProgram(); }

const KivResourceEntry* AsEntry(HRSRC resource) { return reinterpret_cast<const KivResourceEntry*>(resource); }

}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::wstring path = kiv_platform::Utf8ToWide(Resolve(module)->path.c_str());
  if (size == 0 || !buffer) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  if (path.size() >= size) {  // cut to fit, terminated, as Windows does
    wmemcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = L'\0';
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  wmemcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleNameOrAddress, HMODULE* module) {
  if (!module) {
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  *module = nullptr;
  // Only the form the plug-in uses: the module that holds an address.
  Dl_info info;
  if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) ||
      !dladdr(reinterpret_cast<const void*>(moduleNameOrAddress), &info) || !info.dli_fname) {
    lastError = ERROR_MOD_NOT_FOUND;
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(borrowedLock);
  auto& slot = BorrowedModules()[info.dli_fname];
  if (!slot) {
    slot.reset(new KivModule);
    slot->path = AbsolutePath(info.dli_fname, LoadDirectory());
    if (void* library = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)) {
      slot->directory = ValidDirectory(dlsym(library, KIV_RESOURCE_DIRECTORY_SYMBOL));
      dlclose(library);  // borrowed: the module stays as loaded as it was
    }
  }
  *module = slot.get();
  return TRUE;
}

HMODULE LoadLibraryExW(LPCWSTR path, HANDLE, DWORD) {
  if (!path || !*path) {
    lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  std::string utf8 = kiv_platform::WideToUtf8(path);
  // A named file is checked first: a cut one would crash the loader. A bare
  // name is left to the loader's search.
  if (utf8.find('/') != std::string::npos) {
    if (access(utf8.c_str(), F_OK) != 0) {
      lastError = ERROR_MOD_NOT_FOUND;
      return nullptr;
    }
    if (!ModuleFileIsWhole(utf8.c_str())) {
      lastError = ERROR_BAD_EXE_FORMAT;
      return nullptr;
    }
  }
  void* library = dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  auto* module = new (std::nothrow) KivModule;
  if (!module) {
    dlclose(library);
    lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  module->library = library;
  // A named file is the file loaded; a bare name is what the loader found
  // along its search path. Either is taken from the directory the load
  // started in. The loader's own record is read only for a bare name: another
  // thread's load of the same module may have written it, ordered only by a
  // lock inside the loader that race detectors cannot see.
  const char* loaded = utf8.c_str();
  struct link_map* map = nullptr;
  if (utf8.find('/') == std::string::npos && dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name &&
      *map->l_name) {
    loaded = map->l_name;
  }
  module->path = AbsolutePath(loaded, CurrentDirectory());
  module->directory = ValidDirectory(dlsym(library, KIV_RESOURCE_DIRECTORY_SYMBOL));
  return module;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || !module->library) {  // null or borrowed: nothing of ours to release
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  dlclose(module->library);
  delete module;
  return TRUE;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const KivResourceDirectory* directory = Resolve(module)->directory;
  if (!directory) {
    lastError = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  if (!IS_INTRESOURCE(name)) {  // resources are numbered only
    lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
    return nullptr;
  }
  auto id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name));
  // Types are named only.
  const KivResourceEntry* entry = IS_INTRESOURCE(type) ? nullptr : FindResourceEntry(*directory, id, type);
  if (!entry) {
    lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<KivResourceEntry*>(entry));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  const KivResourceDirectory* directory = Resolve(module)->directory;
  const void* bytes = directory ? ResourceEntryBytes(*directory, AsEntry(resource)) : nullptr;
  if (!bytes) lastError = ERROR_RESOURCE_DATA_NOT_FOUND;
  return const_cast<void*>(bytes);
}

LPVOID LockResource(HGLOBAL loaded) { return loaded; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) {
    lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  return AsEntry(resource)->size;
}
