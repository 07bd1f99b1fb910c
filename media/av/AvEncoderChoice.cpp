#include "AvEncoderChoice.h"

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kavro {

namespace {

// What each container gets unless asked otherwise: H.264 4:2:0 in MP4 for
// players; ProRes 422 HQ with PCM in QuickTime for editors; FFV1 4:2:2 with
// FLAC in Matroska, lossless, the plug-in's frames exactly; VP9 with Opus in
// WebM for browsers. Any other container takes libavformat's choice.
struct ContainerDefaults {
  const char* container;
  const char* video;
  AVPixelFormat pixels;
  const char* audio;
};

constexpr ContainerDefaults kDefaults[] = {
    {"mp4", "libx264", AV_PIX_FMT_YUV420P, "aac"},
    {"mov", "prores_ks", AV_PIX_FMT_YUV422P10LE, "pcm_s16le"},
    {"matroska", "ffv1", AV_PIX_FMT_YUV422P, "flac"},
    {"webm", "libvpx-vp9", AV_PIX_FMT_YUV420P, "libopus"},
};

const ContainerDefaults* DefaultsFor(const AVOutputFormat& format) {
  for (const ContainerDefaults& defaults : kDefaults) {
    if (std::strcmp(format.name, defaults.container) == 0) return &defaults;
  }
  return nullptr;
}

bool Supports(const AVPixelFormat* list, AVPixelFormat format) {
  if (!list) return true;
  for (; *list != AV_PIX_FMT_NONE; ++list) {
    if (*list == format) return true;
  }
  return false;
}

}  // namespace

VideoChoice ChooseVideoEncoder(const AVOutputFormat& format, const EncodingOptions& options, const std::string& path) {
  const ContainerDefaults* defaults = DefaultsFor(format);
  VideoChoice choice;
  const AVCodec*& codec = choice.codec;
  if (!options.codec.empty()) {
    codec = avcodec_find_encoder_by_name(options.codec.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
      throw MediaError("--codec " + options.codec + ": this build's libavcodec has no such video encoder");
    }
  } else {
    if (defaults) codec = avcodec_find_encoder_by_name(defaults->video);
    if (!codec) codec = avcodec_find_encoder(format.video_codec);
    if (!codec)
      throw MediaError(path + ": this build's libavcodec has no video encoder for a " + format.name + " file");
  }
  if (avformat_query_codec(&format, codec->id, FF_COMPLIANCE_NORMAL) == 0) {
    throw MediaError(path + ": " + codec->name + " video does not go into a " + format.name + " file");
  }
  if (!options.pixelFormat.empty()) {
    choice.pixels = av_get_pix_fmt(options.pixelFormat.c_str());
    if (choice.pixels == AV_PIX_FMT_NONE) {
      throw MediaError("--pixel-format " + options.pixelFormat + ": no such pixel format");
    }
    if (!Supports(codec->pix_fmts, choice.pixels)) {
      throw MediaError("--pixel-format " + options.pixelFormat + ": " + codec->name + " does not encode it");
    }
  } else if (defaults && std::strcmp(codec->name, defaults->video) == 0) {
    choice.pixels = defaults->pixels;
  } else if (Supports(codec->pix_fmts, AV_PIX_FMT_YUV422P)) {
    choice.pixels = AV_PIX_FMT_YUV422P;
  } else {
    choice.pixels = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV422P, 0, nullptr);
  }
  return choice;
}

AVDictionary* VideoSettings(const AVCodec& codec, int quality, AVCodecContext& context) {
  AVDictionary* settings = nullptr;
  const std::string name = codec.name;
  if (name == "libx264" || name == "libx265") {
    // Near transparent: the mix is usually a step on the way to an edit.
    av_dict_set(&settings, "crf", std::to_string(quality >= 0 ? quality : 18).c_str(), 0);
  } else if (name == "libvpx-vp9" || name == "libvpx") {
    av_dict_set(&settings, "crf", std::to_string(quality >= 0 ? quality : 32).c_str(), 0);
    av_dict_set(&settings, "b", "0", 0);
    av_dict_set(&settings, "row-mt", "1", 0);
    av_dict_set(&settings, "cpu-used", "4", 0);
  } else if (name == "prores_ks") {
    av_dict_set(&settings, "profile", "hq", 0);
    if (quality >= 0) av_dict_set(&settings, "qscale", std::to_string(quality).c_str(), 0);
  } else if (name == "ffv1") {
    av_dict_set(&settings, "level", "3", 0);
    av_dict_set(&settings, "slices", "4", 0);
  } else if (quality >= 0) {
    context.flags |= AV_CODEC_FLAG_QSCALE;
    context.global_quality = FF_QP2LAMBDA * quality;
  }
  return settings;
}

const AVCodec* ChooseAudioEncoder(const AVOutputFormat& format) {
  const ContainerDefaults* defaults = DefaultsFor(format);
  const AVCodec* codec = defaults ? avcodec_find_encoder_by_name(defaults->audio) : nullptr;
  return codec ? codec : avcodec_find_encoder(format.audio_codec);
}

int ChooseSampleRate(const AVCodec& codec, int wanted) {
  const int* rates = codec.supported_samplerates;
  if (!rates) return wanted;
  for (const int* r = rates; *r; ++r) {
    if (*r == wanted) return wanted;
  }
  for (const int* r = rates; *r; ++r) {
    if (*r == 48000) return 48000;
  }
  return rates[0];
}

}  // namespace kavro
