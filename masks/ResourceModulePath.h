#pragma once

#include <string>

// The resource module sits beside the plug-in and is named "Old" + the
// plug-in's own file name. Empty when the path has no directory part.
std::wstring ResourceModulePath(const wchar_t* pluginPath);
