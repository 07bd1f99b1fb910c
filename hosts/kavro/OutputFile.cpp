#include "OutputFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "media/FileBytes.h"
#include "media/Picture.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kavro {

namespace {

bool CutTo(std::FILE* stream, uint64_t size) {
#if defined(_WIN32)
  return _chsize_s(_fileno(stream), static_cast<__int64>(size)) == 0;
#else
  return ftruncate(fileno(stream), static_cast<off_t>(size)) == 0;
#endif
}

// The system's sentence for an error, lower case first as kavro's others
// (FFmpeg's) read.
std::string ErrorText(int error) {
  std::string text = std::strerror(error ? error : EIO);
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
      !std::isupper(static_cast<unsigned char>(text[1]))) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}

}  // namespace

std::string OutputName(const std::string& path) { return path == "-" ? "standard output" : path; }

OutputFile::OutputFile(const std::string& path) : name_(OutputName(path)) {
  errno = 0;
  stream_ = path == "-" ? OpenBinary(path, true) : std::fopen(path.c_str(), "wb");
  if (!stream_) throw MediaError("cannot write " + name_ + ": " + ErrorText(errno));
  // Whole frames go to the system in one call each; a buffer would only
  // blur which of them reached the file.
  std::setvbuf(stream_, nullptr, _IONBF, 0);
}

OutputFile::~OutputFile() {
  if (stream_ && stream_ != stdout) std::fclose(stream_);
}

void OutputFile::Write(const void* data, size_t size) {
  errno = 0;
  const size_t written = std::fwrite(data, 1, size, stream_);
  if (written != size) FailWriting(errno, written);
  whole_ += size;
}

void OutputFile::Close() {
  std::FILE* stream = stream_;
  stream_ = nullptr;
  errno = 0;
  const bool flushed = std::fflush(stream) == 0;
  const int flushError = errno;
  const bool closed = stream == stdout || std::fclose(stream) == 0;
  if (!flushed || !closed) {
    throw MediaError("cannot write " + name_ + ": " + ErrorText(flushError ? flushError : errno));
  }
}

void OutputFile::FailWriting(int error, size_t partial) {
  std::string message = "cannot write " + name_ + ": " + ErrorText(error);
  if (IsRegularFile(stream_)) {
    if (!CutTo(stream_, whole_)) {
      message += "; it could not be cut back to its last whole frame (" + ErrorText(errno) + ")";
    }
  } else if (partial > 0) {
    message += "; the stream ends in a partial frame";
  }
  throw MediaError(message);
}

}  // namespace kavro
