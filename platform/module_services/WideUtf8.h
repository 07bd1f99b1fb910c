// Conversions between the wide paths of the Win32 names and the UTF-8 paths
// of POSIX calls (wchar_t holds UTF-32 here).
#pragma once

#include <string>

namespace kiv_platform {

std::string WideToUtf8(const wchar_t* text);
std::wstring Utf8ToWide(const char* text);

}  // namespace kiv_platform
