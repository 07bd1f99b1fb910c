#include "AvFramesInFile.h"

#include <filesystem>

#include "AvCommon.h"

namespace kavro {

void CutBackToWholePackets(const std::string& path) {
  std::error_code error;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path, error));
  if (error) return;
  int64_t cut = -1;
  {
    QuietLibraryLogging();
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return;
    InputPtr input(context);
    PacketPtr packet = AllocatePacket();
    while (cut < 0 && av_read_frame(context, packet.get()) >= 0) {
      // Only a short read at the very end: anything else was written whole.
      if ((packet->flags & AV_PKT_FLAG_CORRUPT) && packet->pos > 0 && packet->pos + packet->size >= size) {
        cut = packet->pos;
      }
      av_packet_unref(packet.get());
    }
  }
  if (cut > 0) std::filesystem::resize_file(path, static_cast<uintmax_t>(cut), error);
}

uint64_t CountVideoFramesInFile(const std::string& path) {
  QuietLibraryLogging();
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return 0;
  InputPtr input(context);
  int video = -1;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    if (video < 0 && context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      video = static_cast<int>(i);
    } else {
      context->streams[i]->discard = AVDISCARD_ALL;
    }
  }
  if (video < 0) return 0;
  if (context->streams[video]->nb_frames > 0) return static_cast<uint64_t>(context->streams[video]->nb_frames);
  PacketPtr packet = AllocatePacket();
  uint64_t count = 0;
  while (av_read_frame(context, packet.get()) >= 0) {
    if (packet->stream_index == video && !(packet->flags & AV_PKT_FLAG_CORRUPT)) ++count;
    av_packet_unref(packet.get());
  }
  return count;
}

}  // namespace kavro
