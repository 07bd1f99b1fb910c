// Files the kavro tests write and read: a fresh folder per test beside the
// test programs, and small helpers to fill it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <test directory>/kavro_scratch/<name>/, emptied; narrow, ending in a separator.
std::string ScratchFolder(const std::string& name);

// <test directory>/images/<name>: the images drawn by make_test_png.
std::string TestImagePath(const std::string& name);

void WriteBytes(const std::string& path, const std::string& bytes);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadBytes(const std::string& path);
