#include "AvFramesInFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "AvCommon.h"

namespace kavro {

namespace {

uint64_t BigEndian(const unsigned char* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// MP4 and QuickTime: the end of the top-level boxes written whole. A
// fragment's index (moof) whose samples (mdat) are cut short goes with them.
int64_t WholeBoxesEnd(std::fstream& file, int64_t size) {
  int64_t at = 0, fragment = -1;
  unsigned char head[16];
  while (at < size) {
    file.seekg(at);
    if (size - at < 8 || !file.read(reinterpret_cast<char*>(head), 8)) return at;
    uint64_t length = BigEndian(head, 4);
    if (length == 1) {
      if (size - at < 16 || !file.read(reinterpret_cast<char*>(head + 8), 8)) return at;
      length = BigEndian(head + 8, 8);
    }
    const bool samples = std::memcmp(head + 4, "mdat", 4) == 0;
    if (length < 8 || length > uint64_t(size - at)) return samples && fragment >= 0 ? fragment : at;
    fragment = std::memcmp(head + 4, "moof", 4) == 0 ? at : samples ? fragment : -1;
    at += static_cast<int64_t>(length);
  }
  return at;
}

// An EBML number at `at`: its length in bytes and value, the length marker
// kept for an element's ID; false past the end.
bool ReadEbml(std::fstream& file, int64_t at, int64_t size, bool keepMarker, int& length, uint64_t& value) {
  unsigned char bytes[8];
  file.seekg(at);
  if (at >= size || !file.read(reinterpret_cast<char*>(bytes), 1) || bytes[0] == 0) return false;
  length = 1;
  while (!(bytes[0] & (0x80 >> (length - 1)))) ++length;
  if (size - at < length || (length > 1 && !file.read(reinterpret_cast<char*>(bytes + 1), length - 1))) return false;
  value = BigEndian(bytes, length);
  if (!keepMarker) value &= (uint64_t{1} << (7 * length)) - 1;
  return true;
}

// Matroska and WebM: the end of the segment's elements written whole
// (clusters, cues), and the segment's size set to what is left.
int64_t WholeElementsEnd(std::fstream& file, int64_t size) {
  int length = 0, sizeLength = 0;
  uint64_t id = 0, elementSize = 0;
  int64_t at = 0;
  // The EBML header, then the segment.
  if (!ReadEbml(file, at, size, true, length, id) || id != 0x1A45DFA3) return size;
  if (!ReadEbml(file, at + length, size, false, sizeLength, elementSize)) return size;
  at += length + sizeLength + static_cast<int64_t>(elementSize);
  if (!ReadEbml(file, at, size, true, length, id) || id != 0x18538067) return size;
  const int64_t segmentSizeAt = at + length;
  if (!ReadEbml(file, segmentSizeAt, size, false, sizeLength, elementSize)) return size;
  const int64_t segmentStart = segmentSizeAt + sizeLength;
  at = segmentStart;
  while (at < size) {
    if (!ReadEbml(file, at, size, true, length, id) ||
        !ReadEbml(file, at + length, size, false, sizeLength, elementSize) ||
        elementSize > uint64_t(size - at - length - sizeLength)) {
      break;
    }
    at += length + sizeLength + static_cast<int64_t>(elementSize);
  }
  if (at < size && sizeLength == 8) {
    // Known from here: the bytes the segment keeps.
    unsigned char bytes[8];
    const uint64_t kept = uint64_t(at - segmentStart) | 0x0100000000000000ull;
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(kept >> (56 - 8 * i));
    file.clear();
    file.seekp(segmentSizeAt);
    file.write(reinterpret_cast<const char*>(bytes), 8);
  }
  return at;
}

// Where the file's last whole unit of its container ends: its size for
// other containers, which their packets mark (below).
int64_t WholeContainerEnd(const std::string& path, const std::string& format, int64_t size) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) return size;
  if (format.find("mp4") != std::string::npos) return WholeBoxesEnd(file, size);
  if (format.find("matroska") != std::string::npos) return WholeElementsEnd(file, size);
  return size;
}

}  // namespace

uint64_t CutBackToWholeVideoFrames(const std::string& path) {
  std::error_code error;
  auto size = static_cast<int64_t>(std::filesystem::file_size(path, error));
  if (error) return 0;
  int64_t cut = -1;
  uint64_t frames = 0;
  {
    QuietLibraryLogging();
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return 0;
    InputPtr input(context);
    const int64_t whole = WholeContainerEnd(path, context->iformat->name, size);
    if (whole < size) {
      // Read again what is left.
      std::filesystem::resize_file(path, static_cast<uintmax_t>(whole), error);
      size = whole;
      input.reset();
      context = nullptr;
      if (error || avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return 0;
      input.reset(context);
    }
    int video = -1;
    for (unsigned i = 0; i < context->nb_streams && video < 0; ++i) {
      if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) video = static_cast<int>(i);
    }
    // Every stream is read: the packet cut short may be a sound's.
    PacketPtr packet = AllocatePacket();
    while (cut < 0 && av_read_frame(context, packet.get()) >= 0) {
      if (packet->flags & AV_PKT_FLAG_CORRUPT) {
        // Only a short read at the very end: anything else was written whole.
        if (packet->pos > 0 && packet->pos + packet->size >= size) cut = packet->pos;
      } else if (packet->stream_index == video) {
        ++frames;
      }
      av_packet_unref(packet.get());
    }
    // An index written before the failure (AVI's header) may count more.
    const int64_t indexed = video < 0 ? 0 : context->streams[video]->nb_frames;
    if (indexed > 0) frames = std::min(frames, static_cast<uint64_t>(indexed));
  }
  if (cut > 0) std::filesystem::resize_file(path, static_cast<uintmax_t>(cut), error);
  return frames;
}

}  // namespace kavro
