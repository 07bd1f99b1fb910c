// The YUV4MPEG2 output: a file or standard output, written straight through
// (no stdio buffer), so that a write that fails leaves exactly the whole
// writes before it, and the file can be cut back to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kavro {

class OutputFile {
 public:
  // "-": standard output. Throws MediaError "cannot write NAME: reason".
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // "standard output" or the path, as every message names it.
  const std::string& name() const { return name_; }

  // All of it, or MediaError "cannot write NAME: reason", with a file cut
  // back to the end of the last whole write (or a note that it could not be).
  void Write(const void* data, size_t size);
  // Throws MediaError as Write does.
  void Close();

 private:
  [[noreturn]] void FailWriting(int error, size_t partial);

  std::FILE* stream_ = nullptr;
  std::string name_;
  uint64_t whole_ = 0;  // bytes of the writes that succeeded
};

// "standard output" for "-", else the path.
std::string OutputName(const std::string& path);

}  // namespace kavro
