#include "AvEncoderChoice.h"

#include <algorithm>
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

bool IsStill(AVCodecID codec) { return codec == AV_CODEC_ID_PNG || codec == AV_CODEC_ID_MJPEG; }

constexpr char kWhatWorks[] = "try .mp4, .mov, .mkv or .webm";

}  // namespace

void CheckContainer(const AVOutputFormat& format, const std::string& path) {
  const std::string name = format.name;
  if (name == "image2" || name == "image2pipe") {
    throw MediaError(path + ": -o writes a video; for pictures use --png FOLDER (a PNG a frame) or --sheet FILE.png");
  }
  // Playlists and their segments, image sequences, tee: files beside the
  // one named, which kavro cannot check against the sources.
  if (format.flags & AVFMT_NOFILE) {
    throw MediaError(path + ": the " + name + " muxer writes files of its own beside it; kavro writes one file (" +
                     kWhatWorks + ")");
  }
  // A still codec beside sound is a cover picture (MP3, FLAC).
  if (format.audio_codec != AV_CODEC_ID_NONE &&
      (format.video_codec == AV_CODEC_ID_NONE || IsStill(format.video_codec))) {
    throw MediaError(path + ": a " + name + " file holds sound only (" + kWhatWorks + ")");
  }
}

bool HoldsSound(const AVOutputFormat& format) { return format.audio_codec != AV_CODEC_ID_NONE; }

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

void CheckSubsampledSize(const VideoChoice& choice, int width, int height, const std::string& path) {
  int shiftX = 0, shiftY = 0;
  if (av_pix_fmt_get_chroma_sub_sample(choice.pixels, &shiftX, &shiftY) < 0) return;
  const int stepX = 1 << shiftX, stepY = 1 << shiftY;
  if (width % stepX == 0 && height % stepY == 0) return;
  auto down = [](int value, int step) { return std::max(step, value / step * step); };
  auto up = [](int value, int step) { return (value + step - 1) / step * step; };
  const std::string below = std::to_string(down(width, stepX)) + "x" + std::to_string(down(height, stepY));
  const std::string above = std::to_string(up(width, stepX)) + "x" + std::to_string(up(height, stepY));
  const bool wide = width % stepX != 0, high = height % stepY != 0;
  throw MediaError(
      path + ": " + choice.codec->name + " in " + av_get_pix_fmt_name(choice.pixels) + " takes " +
      (wide ? "widths" : "") + (wide && high ? " and " : "") + (high ? "heights" : "") + " in steps of " +
      std::to_string(wide ? stepX : stepY) + ", not " + std::to_string(width) + "x" + std::to_string(height) +
      ": try --size " + below + " or " + above +
      (shiftY && Supports(choice.codec->pix_fmts, AV_PIX_FMT_YUV422P) ? ", or --pixel-format yuv422p" : ""));
}

bool Lossless(const AVCodec& codec) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.id);
  return descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS) && !(descriptor->props & AV_CODEC_PROP_LOSSY);
}

bool LimitedRangeOnly(const AVCodec& codec) { return codec.id == AV_CODEC_ID_PRORES; }

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
