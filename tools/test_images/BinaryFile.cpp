#include "BinaryFile.h"

#include <cstdio>

bool ReadBinaryFile(const char* path, std::vector<unsigned char>& bytes) {
  std::FILE* in = std::fopen(path, "rb");
  if (!in) return false;
  unsigned char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool read = !std::ferror(in);
  std::fclose(in);
  return read;
}

bool WriteBinaryFile(const char* path, const std::vector<unsigned char>& bytes) {
  std::FILE* out = std::fopen(path, "wb");
  bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out && std::fclose(out) != 0) written = false;
  return written;
}
