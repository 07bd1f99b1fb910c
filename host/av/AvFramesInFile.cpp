#include "AvFramesInFile.h"

#include "AvCommon.h"

namespace kavro {

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
