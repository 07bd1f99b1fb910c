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

// Refuses, in kavro's words, a container -o cannot write: an image file
// (--png and --sheet write those), sound only, or a muxer that writes files
// of its own beside the one named. Throws MediaError naming the path.
void CheckContainer(const AVOutputFormat& format, const std::string& path);

// False for a container that holds no sound.
bool HoldsSound(const AVOutputFormat& format);

// Throws MediaError naming the path or the option at fault.
VideoChoice ChooseVideoEncoder(const AVOutputFormat& format, const EncodingOptions& options, const std::string& path);

// Refuses a size the pixel format's chroma subsampling cannot halve,
// naming the nearest sizes that can. Throws MediaError naming the path.
void CheckSubsampledSize(const VideoChoice& choice, int width, int height, const std::string& path);

// True for an encoder that writes every sample as it is: quality means
// nothing to it.
bool Lossless(const AVCodec& codec);

// True for an encoder whose streams are limited range by definition (ProRes).
bool LimitedRangeOnly(const AVCodec& codec);

// The encoder's private settings for a quality (-1: its default).
AVDictionary* VideoSettings(const AVCodec& codec, int quality, AVCodecContext& context);

// Null when this build has no audio encoder for the container.
const AVCodec* ChooseAudioEncoder(const AVOutputFormat& format);

// `wanted` when the encoder takes it, else 48 kHz, else its first rate.
int ChooseSampleRate(const AVCodec& codec, int wanted);

}  // namespace kavro
