// Writes damaged copies of a resource module for tests.
//
//   damage_module cut IN OUT PERCENT   the first PERCENT percent of IN
//   damage_module table IN OUT         IN with its resource table overwritten by noise: from
//                                      the table's start (the directory magic of an ELF module,
//                                      the resource section of a PE one) to the first PNG
//   damage_module png IN OUT           IN with its first PNG resource overwritten by noise, from
//                                      its signature to the end of its end chunk
//   damage_module sizes IN OUT         IN, a PE module, with every resource claiming 2 GB: each
//                                      entry names bytes far past the end of the module
//   damage_module text OUT             a text file, no module at all
//
// The noise is the same on every run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BinaryFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const unsigned char kDirectoryMagic[4] = {'R', 'V', 'I', 'K'};  // 0x4B495652, little-endian

size_t Find(const Bytes& bytes, const unsigned char* pattern, size_t length, size_t from = 0) {
  for (size_t at = from; at + length <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, pattern, length) == 0) return at;
  }
  return std::string::npos;
}

uint32_t Little32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint32_t Big32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

void Noise(Bytes& bytes, size_t from, size_t to) {
  uint32_t state = 0x9E3779B9u;
  for (size_t i = from; i < to && i < bytes.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<unsigned char>(state);
  }
}

// Start of the resource section of a PE file, or npos.
size_t PeResourceSection(const Bytes& b) {
  if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return std::string::npos;
  const size_t pe = Little32(b, 0x3C);
  if (pe + 24 > b.size() || std::memcmp(&b[pe], "PE\0\0", 4) != 0) return std::string::npos;
  const size_t sections = b[pe + 6] | b[pe + 7] << 8;
  const size_t optionalSize = b[pe + 20] | b[pe + 21] << 8;
  for (size_t i = 0; i < sections; ++i) {
    const size_t header = pe + 24 + optionalSize + 40 * i;
    if (header + 40 > b.size()) break;
    if (std::memcmp(&b[header], ".rsrc", 6) == 0) return Little32(b, header + 20);
  }
  return std::string::npos;
}

void PutLittle32(Bytes& b, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Sets the size of every data entry below the resource directory at
// `directory` (offsets from the section's start `section`); the count.
int SetResourceSizes(Bytes& b, size_t section, size_t directory, int depth, uint32_t size) {
  if (depth > 3 || section + directory + 16 > b.size()) return 0;
  const size_t at = section + directory;
  const size_t entries = size_t{b[at + 12]} + (b[at + 13] << 8) + b[at + 14] + (b[at + 15] << 8);
  int count = 0;
  for (size_t i = 0; i < entries && at + 16 + 8 * i + 8 <= b.size(); ++i) {
    const uint32_t target = Little32(b, at + 16 + 8 * i + 4);
    if (target & 0x80000000u) {
      count += SetResourceSizes(b, section, target & 0x7FFFFFFFu, depth + 1, size);
    } else if (section + target + 16 <= b.size()) {
      PutLittle32(b, section + target + 4, size);
      ++count;
    }
  }
  return count;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "damage_module: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "text" && argc == 3) {
    const std::string text = "This is a text file, not a module.\n";
    return WriteBinaryFile(argv[2], Bytes(text.begin(), text.end())) ? 0 : Fail(std::string("cannot write ") + argv[2]);
  }
  if (!((mode == "cut" && argc == 5) || ((mode == "table" || mode == "png" || mode == "sizes") && argc == 4))) {
    return Fail("usage: damage_module cut IN OUT PERCENT | table IN OUT | png IN OUT | sizes IN OUT | text OUT");
  }
  Bytes bytes;
  if (!ReadBinaryFile(argv[2], bytes)) return Fail(std::string("cannot read ") + argv[2]);
  const size_t firstPng = Find(bytes, kPngSignature, sizeof kPngSignature);
  if (firstPng == std::string::npos) return Fail(std::string(argv[2]) + " holds no PNG");

  if (mode == "cut") {
    const long percent = std::strtol(argv[4], nullptr, 10);
    if (percent <= 0 || percent >= 100) return Fail("PERCENT must be 1 to 99");
    bytes.resize(bytes.size() * static_cast<size_t>(percent) / 100);
  } else if (mode == "table") {
    size_t table = Find(bytes, kDirectoryMagic, sizeof kDirectoryMagic);
    if (table == std::string::npos) table = PeResourceSection(bytes);
    if (table == std::string::npos || table >= firstPng) return Fail("no resource table before the first PNG");
    Noise(bytes, table, firstPng);
  } else if (mode == "sizes") {
    const size_t section = PeResourceSection(bytes);
    if (section == std::string::npos) return Fail(std::string(argv[2]) + " is no PE module with resources");
    if (SetResourceSizes(bytes, section, 0, 1, 0x7FFFFFF0u) == 0) return Fail("no resource entry found");
  } else {
    // Walk the chunks to the end chunk; noise stops at the file's end.
    size_t end = firstPng + sizeof kPngSignature;
    while (end + 12 <= bytes.size()) {
      const bool last = std::memcmp(&bytes[end + 4], "IEND", 4) == 0;
      end += 12 + size_t{Big32(bytes, end)};
      if (last) break;
    }
    Noise(bytes, firstPng, end);
  }
  return WriteBinaryFile(argv[3], bytes) ? 0 : Fail(std::string("cannot write ") + argv[3]);
}
