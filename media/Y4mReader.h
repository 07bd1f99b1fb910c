// Reads a YUV4MPEG2 stream frame by frame from an open file or pipe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Y4m.h"

namespace kavro {

class Y4mReader {
 public:
  // Reads the stream header; throws MediaError naming `name`. The stream
  // stays the caller's. `alreadyRead`: bytes taken from a stream that cannot
  // seek back (a pipe), read before the stream's own.
  Y4mReader(std::FILE* stream, std::string name, std::string alreadyRead = "");

  const Y4mFormat& format() const { return format_; }
  const std::string& name() const { return name_; }

  // The next frame's planes (Y4mFrameBytes of them). False at the end of the
  // stream, when it ends exactly between frames; a frame cut short or a bad
  // frame header throws MediaError.
  bool ReadFrame(std::vector<uint8_t>& planes);
  // The tags of the FRAME header last read ("FRAME" and its space left out).
  const std::string& frameTags() const { return frameTags_; }

  // For a seekable file: checks every frame still ahead and counts them, then
  // returns to where it was. Throws MediaError on a frame cut short. Empty for
  // a stream that cannot seek.
  std::optional<uint64_t> CountRemainingFrames();

 private:
  // Reads up to the newline; false when the stream ends before any byte.
  bool ReadLine(std::string& line, size_t limit, const char* what);
  // getc and fread, the bytes already read first.
  int Get();
  size_t Read(uint8_t* out, size_t bytes);
  std::string FrameName(uint64_t index) const;

  std::FILE* stream_;
  std::string name_;
  Y4mFormat format_;
  size_t frameBytes_ = 0;
  uint64_t framesRead_ = 0;
  std::string frameTags_;
  std::string pending_;
  size_t pendingAt_ = 0;
};

}  // namespace kavro
