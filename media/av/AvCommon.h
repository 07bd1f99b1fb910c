// What kavro's FFmpeg code shares: owners of the libraries' objects and
// their error codes as text.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace kavro {

struct InputCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecCloser {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct ResamplerFreer {
  void operator()(SwrContext* context) const { swr_free(&context); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;

// The library's sentence for an error code, lower case first.
std::string AvErrorText(int code);

// Throws MediaError when the allocation failed.
FramePtr AllocateFrame();
PacketPtr AllocatePacket();

// Opens a file for reading, its streams probed; quiet unless something goes
// wrong. Throws MediaError naming the path.
InputPtr OpenInput(const std::string& path);
// The same read through `io`, which the caller owns and keeps until the input
// is closed; `name` names it in messages.
InputPtr OpenInput(const std::string& name, AVIOContext* io);

// A decoder for a stream, threaded as the codec allows. Throws MediaError
// naming the path, also when this build's libavcodec has no decoder for it.
CodecPtr OpenDecoder(const std::string& path, const AVStream& stream);

// Silences the libraries' own logging except for errors kavro does not
// report itself. Idempotent.
void QuietLibraryLogging();

}  // namespace kavro
