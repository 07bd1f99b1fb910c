// Where a test finds its fixtures: the folder of the running test program.
#pragma once

#include <string>

// Folder of the test program, ending in the platform's separator.
std::wstring TestDirectory();

// Name of a shared library on this platform: "kiv_x" -> "kiv_x.so" / "kiv_x.dll".
std::wstring SharedLibraryFileName(const std::wstring& stem);

std::string ReadWholeFile(const std::wstring& path);
