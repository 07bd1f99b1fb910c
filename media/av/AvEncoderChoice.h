// Which encoders an output file gets: the container's defaults unless the
// command line names others, and their quality settings.
#pragma once

#include <string>

#include "AvCommon.h"
#include "EncodedOutput.h"

namespace kavro {

struct VideoChoice {
  const AVCodec* codec = nullptr;
  AVPixelFormat pixels = AV_PIX_FMT_NONE;
};

// Throws MediaError naming the path or the option at fault.
VideoChoice ChooseVideoEncoder(const AVOutputFormat& format, const EncodingOptions& options, const std::string& path);

// The encoder's private settings for a quality (-1: its default).
AVDictionary* VideoSettings(const AVCodec& codec, int quality, AVCodecContext& context);

// Null when this build has no audio encoder for the container.
const AVCodec* ChooseAudioEncoder(const AVOutputFormat& format);

// `wanted` when the encoder takes it, else 48 kHz, else its first rate.
int ChooseSampleRate(const AVCodec& codec, int wanted);

}  // namespace kavro
