// Whole files in and out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kavro {

// Throws MediaError "cannot read PATH: reason".
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// The rest of an open stream, to its end. Throws MediaError "cannot read NAME: reason".
std::vector<uint8_t> ReadStreamBytes(std::FILE* stream, const std::string& name);

// A regular file, as opposed to a pipe or a device: one that can seek.
bool IsRegularFile(std::FILE* stream);

// Writes PATH.part and renames it over PATH, so the file is either complete
// or absent. Throws MediaError.
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Throws MediaError "cannot write PATH: reason" unless PATH.part can be
// created (and removes it again): for outputs written only at the end.
void CheckWritable(const std::string& path);

// Opens a file for binary reading or writing; "-" is standard input or
// output, switched to binary mode. Throws MediaError naming the path.
std::FILE* OpenBinary(const std::string& path, bool write);

}  // namespace kavro
