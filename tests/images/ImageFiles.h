// Test images written at build time beside the test programs.
#pragma once

#include <string>

#include "ModuleServices.h"
#include "TestPaths.h"

inline std::string ReadTestImage(const wchar_t* name) {
  std::wstring path = TestDirectory() + L"images";
  path += KIV_PATH_SEPARATOR;
  return ReadWholeFile(path + name);
}
