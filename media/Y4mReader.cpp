#include "Y4mReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kavro {

namespace {

constexpr char kFrameTag[] = "FRAME";

int64_t Tell(std::FILE* stream) {
#if defined(_WIN32)
  return _ftelli64(stream);
#else
  return ftello(stream);
#endif
}

bool Seek(std::FILE* stream, int64_t offset, int origin) {
#if defined(_WIN32)
  return _fseeki64(stream, offset, origin) == 0;
#else
  return fseeko(stream, static_cast<off_t>(offset), origin) == 0;
#endif
}

bool IsFrameHeader(const std::string& line) {
  const size_t length = std::strlen(kFrameTag);
  return line.compare(0, length, kFrameTag) == 0 && (line.size() == length || line[length] == ' ');
}

}  // namespace

Y4mReader::Y4mReader(std::FILE* stream, std::string name, std::string alreadyRead)
    : stream_(stream), name_(std::move(name)), pending_(std::move(alreadyRead)) {
  std::string line;
  if (!ReadLine(line, kY4mMaxHeaderLine, "stream header")) throw MediaError(name_ + ": empty input");
  format_ = ParseY4mHeader(line, name_);
  frameBytes_ = Y4mFrameBytes(format_);
}

int Y4mReader::Get() {
  if (pendingAt_ < pending_.size()) return static_cast<unsigned char>(pending_[pendingAt_++]);
  return std::getc(stream_);
}

size_t Y4mReader::Read(uint8_t* out, size_t bytes) {
  const size_t fromPending = std::min(bytes, pending_.size() - pendingAt_);
  std::memcpy(out, pending_.data() + pendingAt_, fromPending);
  pendingAt_ += fromPending;
  return fromPending + std::fread(out + fromPending, 1, bytes - fromPending, stream_);
}

bool Y4mReader::ReadLine(std::string& line, size_t limit, const char* what) {
  line.clear();
  for (;;) {
    int c = Get();
    if (c == EOF) {
      if (std::ferror(stream_)) throw MediaError(name_ + ": read error in the " + what);
      if (line.empty()) return false;
      throw MediaError(name_ + ": the " + what + " is cut short");
    }
    if (c == '\n') return true;
    if (line.size() >= limit)
      throw MediaError(name_ + ": the " + what + " is longer than " + std::to_string(limit) + " bytes");
    line += static_cast<char>(c);
  }
}

std::string Y4mReader::FrameName(uint64_t index) const { return "frame " + std::to_string(index); }

bool Y4mReader::ReadFrame(std::vector<uint8_t>& planes) {
  std::string line;
  const std::string frame = FrameName(framesRead_);
  if (!ReadLine(line, kY4mMaxHeaderLine, (frame + " header").c_str())) return false;
  if (!IsFrameHeader(line)) throw MediaError(name_ + ": " + frame + " does not start with FRAME");
  frameTags_ = line.size() > std::strlen(kFrameTag) ? line.substr(std::strlen(kFrameTag) + 1) : std::string();
  planes.resize(frameBytes_);
  size_t got = Read(planes.data(), frameBytes_);
  if (got != frameBytes_) {
    throw MediaError(name_ + ": " + frame + " is cut short (" + std::to_string(got) + " of " +
                     std::to_string(frameBytes_) + " bytes)");
  }
  ++framesRead_;
  return true;
}

std::optional<uint64_t> Y4mReader::CountRemainingFrames() {
  const int64_t start = Tell(stream_);
  if (start < 0 || !Seek(stream_, 0, SEEK_END)) return std::nullopt;
  const int64_t end = Tell(stream_);
  if (end < start || !Seek(stream_, start, SEEK_SET)) return std::nullopt;
  uint64_t count = 0;
  std::string line;
  try {
    for (;;) {
      const std::string frame = FrameName(framesRead_ + count);
      if (!ReadLine(line, kY4mMaxHeaderLine, (frame + " header").c_str())) break;
      if (!IsFrameHeader(line)) throw MediaError(name_ + ": " + frame + " does not start with FRAME");
      const int64_t planes = Tell(stream_);
      if (planes < 0 || end - planes < static_cast<int64_t>(frameBytes_)) {
        throw MediaError(name_ + ": " + frame + " is cut short (" + std::to_string(end - planes) + " of " +
                         std::to_string(frameBytes_) + " bytes)");
      }
      if (!Seek(stream_, planes + static_cast<int64_t>(frameBytes_), SEEK_SET)) {
        throw MediaError(name_ + ": cannot seek past " + frame);
      }
      ++count;
    }
  } catch (...) {
    Seek(stream_, start, SEEK_SET);
    throw;
  }
  if (!Seek(stream_, start, SEEK_SET)) throw MediaError(name_ + ": cannot seek back to the first frame");
  return count;
}

}  // namespace kavro
