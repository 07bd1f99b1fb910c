#include "PluginFiles.h"

#include <cstdio>
#include <filesystem>

#include "HostingError.h"
#include "masks/MaskCatalogue.h"
#include "platform/module_services/ModuleServices.h"

#if !defined(_WIN32)
#include "platform/module_services/WideUtf8.h"
#endif

namespace kavro {

namespace {

bool FileExists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

std::wstring Wide(const std::string& text) {
#if defined(_WIN32)
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
#else
  return kiv_platform::Utf8ToWide(text.c_str());
#endif
}

std::string Narrow(const std::wstring& text) {
#if defined(_WIN32)
  int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(length > 0 ? static_cast<size_t>(length) : 1, '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], length, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
#else
  return kiv_platform::WideToUtf8(text.c_str());
#endif
}

constexpr size_t kMissingListed = 8;

size_t LastSeparator(const std::string& path) {
#if defined(_WIN32)
  return path.find_last_of("/\\");
#else
  return path.find_last_of('/');
#endif
}

}  // namespace

std::string PluginFileName() {
#if defined(_WIN32)
  return KAVRO_PLUGIN_NAME ".dll";
#else
  return KAVRO_PLUGIN_NAME ".so";
#endif
}

std::string ProgramFolder() {
  WCHAR path[4096] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  if (length == 0 || length >= 4096) return "";
  std::string program = Narrow(path);
  size_t slash = LastSeparator(program);
  return slash == std::string::npos ? "" : program.substr(0, slash + 1);
}

std::vector<std::string> DefaultPluginPaths() {
  const std::filesystem::path folder = ProgramFolder();
  std::vector<std::string> paths;
  for (const char* place : {".", "dist", "../dist"}) {
    paths.push_back((folder / place / PluginFileName()).lexically_normal().string());
  }
  return paths;
}

std::string FindPlugin(const std::string& given) {
  if (!given.empty()) return given;
  std::string looked;
  for (const std::string& path : DefaultPluginPaths()) {
    if (FileExists(path)) return path;
    looked += (looked.empty() ? "" : ", ") + path;
  }
  throw HostingError("no plug-in found (looked for " + looked + "); give --plugin PATH");
}

std::string ResourceModulePath(const std::string& pluginPath) {
  const size_t slash = LastSeparator(pluginPath);
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return pluginPath.substr(0, name) + "Old" + pluginPath.substr(name);
}

MaskFramesFound CountMaskFrames(const std::string& resourceModulePath) {
  MaskFramesFound found;
  found.present.assign(kMaskCount, 0);
  found.missing.assign(kMaskCount, {});
  std::wstring path = Wide(resourceModulePath);
#if defined(_WIN32)
  // The altered search path needs an absolute path.
  WCHAR full[MAX_PATH];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length > 0 && length < MAX_PATH) path = full;
#endif
  found.moduleFileExists = FileExists(resourceModulePath);
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return found;
  found.moduleLoaded = true;
  for (uint32_t mask = 0; mask < kMaskCount; ++mask) {
    const uint16_t first = MaskFirstResourceId(mask);
    for (uint32_t k = 0; k < maskFrameCounts[mask]; ++k) {
      if (FindResourceW(module, MAKEINTRESOURCEW(first + k), L"PNG")) {
        ++found.present[mask];
      } else if (found.missing[mask].size() < kMissingListed) {
        found.missing[mask].push_back(first + k);
      }
    }
  }
  FreeLibrary(module);
  return found;
}

std::string WhyNoMasks(const MaskFramesFound& found, const std::string& resourceModulePath) {
  return found.moduleFileExists ? resourceModulePath + " is damaged or not a module" : "no " + resourceModulePath;
}

}  // namespace kavro
