// Whole files in and out, for the test-file writers.
#pragma once

#include <vector>

// Appends the file's bytes; false when it cannot be read.
bool ReadBinaryFile(const char* path, std::vector<unsigned char>& bytes);
// False when the file cannot be written whole.
bool WriteBinaryFile(const char* path, const std::vector<unsigned char>& bytes);
