#include "AvFramesInFile.h"

#include <filesystem>

#include "AvCommon.h"

namespace kavro {

uint64_t CutBackToWholeVideoFrames(const std::string& path) {
  std::error_code error;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path, error));
  if (error) return 0;
  int64_t cut = -1;
  uint64_t frames = 0;
  {
    QuietLibraryLogging();
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return 0;
    InputPtr input(context);
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
    const int64_t indexed = video < 0 ? 0 : context->streams[video]->nb_frames;
    if (indexed > 0) frames = static_cast<uint64_t>(indexed);
  }
  if (cut > 0) std::filesystem::resize_file(path, static_cast<uintmax_t>(cut), error);
  return frames;
}

}  // namespace kavro
