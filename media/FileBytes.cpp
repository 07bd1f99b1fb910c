#include "FileBytes.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "Picture.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace kavro {

namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) throw MediaError("cannot read " + path + ": " + Reason());
  try {
    std::vector<uint8_t> bytes = ReadStreamBytes(in, path);
    std::fclose(in);
    return bytes;
  } catch (...) {
    std::fclose(in);
    throw;
  }
}

std::vector<uint8_t> ReadStreamBytes(std::FILE* in, const std::string& name) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[1 << 16];
  size_t got;
  errno = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  if (std::ferror(in)) throw MediaError("cannot read " + name + ": " + std::strerror(errno ? errno : EIO));
  return bytes;
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".part";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) throw MediaError("cannot write " + path + ": " + Reason());
  errno = 0;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  int error = errno;
  if (std::fclose(out) != 0 && written) {
    written = false;
    error = errno;
  }
#if defined(_WIN32)
  // Windows will not rename over an existing file.
  if (written) std::remove(path.c_str());
#endif
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    std::remove(temporary.c_str());
    throw MediaError("cannot write " + path + ": " + std::strerror(error ? error : EIO));
  }
}

void CheckWritable(const std::string& path) {
  const std::string temporary = path + ".part";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) throw MediaError("cannot write " + path + ": " + Reason());
  std::fclose(out);
  std::remove(temporary.c_str());
}

bool IsRegularFile(std::FILE* stream) {
  struct stat status = {};
  return fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

std::FILE* OpenBinary(const std::string& path, bool write) {
  if (path == "-") {
    std::FILE* stream = write ? stdout : stdin;
#if defined(_WIN32)
    _setmode(_fileno(stream), _O_BINARY);
#endif
    return stream;
  }
  std::FILE* stream = std::fopen(path.c_str(), write ? "wb" : "rb");
  if (!stream) throw MediaError("cannot " + std::string(write ? "write " : "open ") + path + ": " + Reason());
  return stream;
}

}  // namespace kavro
