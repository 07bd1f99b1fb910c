#include "TestPaths.h"

#include <fstream>
#include <sstream>

#include "platform/module_services/ModuleServices.h"

#if !defined(_WIN32)
#include "platform/module_services/WideUtf8.h"
#endif

std::wstring TestDirectory() {
  WCHAR path[4096] = {};
  GetModuleFileNameW(nullptr, path, 4096);
  std::wstring text(path);
  return text.substr(0, text.rfind(KIV_PATH_SEPARATOR) + 1);
}

std::wstring SharedLibraryFileName(const std::wstring& stem) {
#if defined(_WIN32)
  return stem + L".dll";
#else
  return stem + L".so";
#endif
}

std::string ReadWholeFile(const std::wstring& path) {
#if defined(_WIN32)
  std::ifstream in(path.c_str(), std::ios::binary);
#else
  std::ifstream in(kiv_platform::WideToUtf8(path.c_str()), std::ios::binary);
#endif
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
