#include "ResourceModulePath.h"

#include "platform/module_services/ModuleServices.h"

std::wstring ResourceModulePath(const wchar_t* pluginPath) {
  std::wstring path(pluginPath ? pluginPath : L"");
  size_t separator = path.rfind(KIV_PATH_SEPARATOR);
  if (separator == std::wstring::npos) return std::wstring();
  return path.substr(0, separator + 1) + L"Old" + path.substr(separator + 1);
}
