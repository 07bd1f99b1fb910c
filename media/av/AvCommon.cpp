#include "AvCommon.h"

#include <cerrno>

#include "media/Picture.h"

namespace kavro {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(code, text, sizeof text) < 0) return "error " + std::to_string(code);
  std::string sentence(text);
  if (!sentence.empty() && sentence[0] >= 'A' && sentence[0] <= 'Z' &&
      (sentence.size() < 2 || sentence[1] < 'A' || sentence[1] > 'Z')) {
    sentence[0] = static_cast<char>(sentence[0] - 'A' + 'a');
  }
  return sentence;
}

FramePtr AllocateFrame() {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw MediaError("out of memory for a frame");
  return frame;
}

PacketPtr AllocatePacket() {
  PacketPtr packet(av_packet_alloc());
  if (!packet) throw MediaError("out of memory for a packet");
  return packet;
}

void QuietLibraryLogging() { av_log_set_level(AV_LOG_QUIET); }

InputPtr OpenInput(const std::string& path) { return OpenInput(path, nullptr); }

InputPtr OpenInput(const std::string& path, AVIOContext* io) {
  QuietLibraryLogging();
  AVFormatContext* context = nullptr;
  if (io) {
    context = avformat_alloc_context();
    if (!context) throw MediaError("out of memory for a reader");
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  // On failure the library frees the context (not a custom io).
  const int opened = avformat_open_input(&context, path.c_str(), nullptr, nullptr);
  if (opened < 0) {
    if (opened == AVERROR(ENOENT) || opened == AVERROR(EACCES) || opened == AVERROR(EISDIR)) {
      throw MediaError("cannot open " + path + ": " + AvErrorText(opened));
    }
    throw MediaError(path + ": not a file FFmpeg's libraries read (" + AvErrorText(opened) + ")");
  }
  InputPtr input(context);
  const int probed = avformat_find_stream_info(context, nullptr);
  if (probed < 0) throw MediaError(path + ": its streams cannot be read (" + AvErrorText(probed) + ")");
  return input;
}

CodecPtr OpenDecoder(const std::string& path, const AVStream& stream) {
  const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!decoder) {
    const char* name = avcodec_get_name(stream.codecpar->codec_id);
    throw MediaError(path + ": this build's libavcodec has no decoder for its " +
                     av_get_media_type_string(stream.codecpar->codec_type) + " codec " + name);
  }
  CodecPtr codec(avcodec_alloc_context3(decoder));
  if (!codec) throw MediaError("out of memory for a decoder");
  int result = avcodec_parameters_to_context(codec.get(), stream.codecpar);
  if (result >= 0) {
    codec->pkt_timebase = stream.time_base;
    codec->thread_count = 0;  // as many as the codec finds useful
    codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    result = avcodec_open2(codec.get(), decoder, nullptr);
  }
  if (result < 0)
    throw MediaError(path + ": cannot open its " + decoder->name + " decoder (" + AvErrorText(result) + ")");
  return codec;
}

}  // namespace kavro
