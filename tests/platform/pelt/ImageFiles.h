// Test images written at build time beside the test programs.
#pragma once

#include <string>

#include "platform/module_services/ModuleServices.h"
#include "tests/support/TestPaths.h"

inline std::string ReadTestImage(const wchar_t* name) {
  std::wstring path = TestDirectory() + L"images";
  path += KIV_PATH_SEPARATOR;
  return ReadWholeFile(path + name);
}
