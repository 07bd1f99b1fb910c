#include "ModuleFileCheck.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

bool ReadAt(int file, void* buffer, size_t count, uint64_t offset) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t n = pread(file, bytes, count, static_cast<off_t>(offset));
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool Inside(uint64_t offset, uint64_t count, uint64_t fileSize) {
  return offset <= fileSize && count <= fileSize - offset;
}

bool HeadersInside(int file, uint64_t fileSize) {
  ElfW(Ehdr) header;
  if (!ReadAt(file, &header, sizeof header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
      header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
      !Inside(header.e_phoff, uint64_t{header.e_phnum} * sizeof(ElfW(Phdr)), fileSize)) {
    return false;
  }
  std::vector<ElfW(Phdr)> programHeaders(header.e_phnum);
  if (!ReadAt(file, programHeaders.data(), programHeaders.size() * sizeof(ElfW(Phdr)), header.e_phoff)) return false;
  for (const ElfW(Phdr) & segment : programHeaders) {
    if (!Inside(segment.p_offset, segment.p_filesz, fileSize)) return false;
  }
  return true;
}

}  // namespace

bool ModuleFileIsWhole(const char* path) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  struct stat status;
  const bool whole = fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
                     HeadersInside(file, static_cast<uint64_t>(status.st_size));
  close(file);
  return whole;
}
