// Writes an RGB picture as an 8-bit PNG with libspng.
#pragma once

#include <string>

#include "WindowCapture.h"

// False, with the reason in `error`, when the picture is empty or the file
// cannot be written.
bool WriteRgbPng(const std::wstring& path, const RgbPicture& picture, std::string& error);
