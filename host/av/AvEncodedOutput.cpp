// Encoded outputs: the container from the file name, the codecs from the
// container unless asked for, libavformat's muxers and libavcodec's encoders.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "AvAudio.h"
#include "AvCommon.h"
#include "EncodedOutput.h"

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

AVColorSpace ColourSpaceOf(int matrix) {
  return matrix > 0 && matrix < AVCOL_SPC_NB ? static_cast<AVColorSpace>(matrix) : AVCOL_SPC_BT709;
}

class AvEncodedOutput : public EncodedOutput {
 public:
  AvEncodedOutput(const std::string& path, const Y4mFormat& header, uint32_t frames, const EncodingOptions& options)
      : path_(path), frames_(frames) {
    QuietLibraryLogging();
    AVFormatContext* context = nullptr;
    avformat_alloc_output_context2(&context, nullptr, nullptr, path.c_str());
    if (!context) {
      throw MediaError(path +
                       ": no container FFmpeg's libraries write goes by that name (try .mp4, .mov, .mkv, "
                       ".webm or .y4m)");
    }
    output_.reset(context);
    const ContainerDefaults* defaults = DefaultsFor(*context->oformat);
    fullRange_ = options.colour.fullRange;
    for (int value = 0; value < 256; ++value) {
      const long luma = fullRange_ ? std::lround((value - 16) * 255 / 219.0) : value;
      const long chroma = fullRange_ ? std::lround(128 + (value - 128) * 255 / 224.0) : value;
      lumaOut_[value] = static_cast<uint8_t>(std::clamp(luma, 0L, 255L));
      chromaOut_[value] = static_cast<uint8_t>(std::clamp(chroma, 0L, 255L));
    }
    OpenVideo(header, options, defaults);
    if (options.audio) OpenAudio(header, options, defaults);
    if (!(context->oformat->flags & AVFMT_NOFILE)) {
      const int opened = avio_open(&context->pb, path.c_str(), AVIO_FLAG_WRITE);
      if (opened < 0) throw MediaError("cannot write " + path + ": " + AvErrorText(opened));
    }
    AVDictionary* muxing = nullptr;
    const std::string muxer = context->oformat->name;
    if (muxer == "mp4" || muxer == "mov") {
      // The index goes into room kept at the front, so a disk that fills up
      // still takes it and what was written stays playable.
      av_dict_set_int(&muxing, "moov_size", 262144 + int64_t{frames} * 128, 0);
    }
    const int written = avformat_write_header(context, &muxing);
    av_dict_free(&muxing);
    if (written < 0) throw MediaError("cannot write " + path + ": " + AvErrorText(written));
    headerWritten_ = true;
  }

  ~AvEncodedOutput() override {
    if (!headerWritten_ || finished_) return;
    try {
      Close();
    } catch (const MediaError&) {
      // Closed as far as it went; the failure before this one was reported.
    }
  }

  void Convert(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) const override {
    const int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);
    out.resize(size_t(av_image_get_buffer_size(pixels_, width, height, 1)));
    uint8_t* planes[4] = {};
    int strides[4] = {};
    av_image_fill_arrays(planes, strides, out.data(), pixels_, width, height, 1);
    if (pixels_ == AV_PIX_FMT_YUV422P) {
      // The plug-in's samples as they are, for the lossless route.
      for (int row = 0; row < height; ++row) {
        const uint8_t* in = frame + size_t(row) * layout.stride;
        uint8_t* y = planes[0] + size_t(row) * strides[0];
        uint8_t* cb = planes[1] + size_t(row) * strides[1];
        uint8_t* cr = planes[2] + size_t(row) * strides[2];
        if (!fullRange_) {
          for (int x = 0; x < width / 2; ++x) {
            y[2 * x] = in[4 * x];
            cb[x] = in[4 * x + 1];
            y[2 * x + 1] = in[4 * x + 2];
            cr[x] = in[4 * x + 3];
          }
          continue;
        }
        for (int x = 0; x < width / 2; ++x) {
          y[2 * x] = lumaOut_[in[4 * x]];
          cb[x] = chromaOut_[in[4 * x + 1]];
          y[2 * x + 1] = lumaOut_[in[4 * x + 2]];
          cr[x] = chromaOut_[in[4 * x + 3]];
        }
      }
      return;
    }
    SwsContext* scaler = TakeScaler(width, height);
    const uint8_t* source[4] = {frame, nullptr, nullptr, nullptr};
    const int sourceStride[4] = {static_cast<int>(layout.stride), 0, 0, 0};
    sws_scale(scaler, source, sourceStride, 0, height, planes, strides);
    GiveScaler(scaler);
  }

  void Write(uint32_t index, const std::vector<uint8_t>& picture) override {
    FramePtr frame = AllocateFrame();
    frame->format = pixels_;
    frame->width = video_->width;
    frame->height = video_->height;
    frame->pts = index;
    frame->sample_aspect_ratio = video_->sample_aspect_ratio;
    av_image_fill_arrays(frame->data, frame->linesize, const_cast<uint8_t*>(picture.data()), pixels_, video_->width,
                         video_->height, 1);
    Send(video_.get(), videoStream_, frame.get());
    written_ = index + 1;
    if (mix_) WriteAudioUpTo(written_);
  }

  void Finish() override {
    finished_ = true;
    Close();
  }

 private:
  void OpenVideo(const Y4mFormat& header, const EncodingOptions& options, const ContainerDefaults* defaults) {
    const AVOutputFormat& format = *output_->oformat;
    const AVCodec* codec = nullptr;
    if (!options.codec.empty()) {
      codec = avcodec_find_encoder_by_name(options.codec.c_str());
      if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        throw MediaError("--codec " + options.codec + ": this build's libavcodec has no such video encoder");
      }
    } else {
      if (defaults) codec = avcodec_find_encoder_by_name(defaults->video);
      if (!codec) codec = avcodec_find_encoder(format.video_codec);
      if (!codec)
        throw MediaError(path_ + ": this build's libavcodec has no video encoder for a " + format.name + " file");
    }
    if (avformat_query_codec(&format, codec->id, FF_COMPLIANCE_NORMAL) == 0) {
      throw MediaError(path_ + ": " + codec->name + " video does not go into a " + format.name + " file");
    }
    if (!options.pixelFormat.empty()) {
      pixels_ = av_get_pix_fmt(options.pixelFormat.c_str());
      if (pixels_ == AV_PIX_FMT_NONE)
        throw MediaError("--pixel-format " + options.pixelFormat + ": no such pixel format");
      if (!Supports(codec->pix_fmts, pixels_)) {
        throw MediaError("--pixel-format " + options.pixelFormat + ": " + codec->name + " does not encode it");
      }
    } else if (defaults && std::strcmp(codec->name, defaults->video) == 0) {
      pixels_ = defaults->pixels;
    } else if (Supports(codec->pix_fmts, AV_PIX_FMT_YUV422P)) {
      pixels_ = AV_PIX_FMT_YUV422P;
    } else {
      pixels_ = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV422P, 0, nullptr);
    }

    video_.reset(avcodec_alloc_context3(codec));
    if (!video_) throw MediaError("out of memory for an encoder");
    AVCodecContext& c = *video_;
    c.width = header.width;
    c.height = header.height;
    c.pix_fmt = pixels_;
    c.time_base = AVRational{static_cast<int>(header.rateDenominator), static_cast<int>(header.rateNumerator)};
    c.framerate = av_inv_q(c.time_base);
    if (header.aspectNumerator && header.aspectDenominator) {
      c.sample_aspect_ratio =
          AVRational{static_cast<int>(header.aspectNumerator), static_cast<int>(header.aspectDenominator)};
    }
    c.colorspace = ColourSpaceOf(options.colour.matrix);
    c.color_range = fullRange_ ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    c.color_primaries = static_cast<AVColorPrimaries>(options.colour.primaries);
    c.color_trc = static_cast<AVColorTransferCharacteristic>(options.colour.transfer);
    c.chroma_sample_location = AVCHROMA_LOC_LEFT;
    c.field_order = header.interlace == 't'   ? AV_FIELD_TT
                    : header.interlace == 'b' ? AV_FIELD_BB
                                              : AV_FIELD_PROGRESSIVE;
    c.thread_count = 0;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* settings = nullptr;
    const std::string name = codec->name;
    const int quality = options.quality;
    if (name == "libx264" || name == "libx265") {
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
      c.flags |= AV_CODEC_FLAG_QSCALE;
      c.global_quality = FF_QP2LAMBDA * quality;
    }
    const int opened = avcodec_open2(&c, codec, &settings);
    av_dict_free(&settings);
    if (opened < 0) throw MediaError(path_ + ": cannot open the " + name + " encoder (" + AvErrorText(opened) + ")");
    videoStream_ = NewStream(c);
  }

  void OpenAudio(const Y4mFormat& header, const EncodingOptions& options, const ContainerDefaults* defaults) {
    std::unique_ptr<AudioTrack> a = AudioTrack::Open(options.audioA), b = AudioTrack::Open(options.audioB);
    if (!a && !b) return;
    const AVOutputFormat& format = *output_->oformat;
    const AVCodec* codec = defaults ? avcodec_find_encoder_by_name(defaults->audio) : nullptr;
    if (!codec) codec = avcodec_find_encoder(format.audio_codec);
    if (!codec)
      throw MediaError(path_ + ": this build's libavcodec has no audio encoder for a " + format.name +
                       " file (--no-audio renders without sound)");
    int rate = a ? a->sampleRate() : b->sampleRate();
    if (const int* rates = codec->supported_samplerates) {
      bool found = false;
      for (const int* r = rates; *r; ++r) found = found || *r == rate;
      if (!found) {
        rate = rates[0];
        for (const int* r = rates; *r; ++r) {
          if (*r == 48000) rate = 48000;
        }
      }
    }
    const int channels = std::max(a ? a->channels() : 0, b ? b->channels() : 0) >= 2 ? 2 : 1;

    audio_.reset(avcodec_alloc_context3(codec));
    if (!audio_) throw MediaError("out of memory for an encoder");
    AVCodecContext& c = *audio_;
    c.sample_rate = rate;
    av_channel_layout_default(&c.ch_layout, channels);
    c.sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
      if (*f == AV_SAMPLE_FMT_FLTP) c.sample_fmt = *f;
    }
    c.time_base = AVRational{1, rate};
    if (std::strcmp(codec->name, "aac") == 0 || std::strcmp(codec->name, "libopus") == 0) {
      c.bit_rate = channels == 2 ? 192000 : 96000;
    }
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(&c, codec, nullptr);
    if (opened < 0) {
      throw MediaError(path_ + ": cannot open the " + codec->name + " encoder (" + AvErrorText(opened) + ")");
    }
    audioStream_ = NewStream(c);
    chunk_ = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || c.frame_size <= 0 ? 1024 : c.frame_size;

    SwrContext* converter = nullptr;
    int result = swr_alloc_set_opts2(&converter, &c.ch_layout, c.sample_fmt, rate, &c.ch_layout, AV_SAMPLE_FMT_FLTP,
                                     rate, 0, nullptr);
    converter_.reset(converter);
    if (result >= 0) result = swr_init(converter);
    if (result < 0) throw MediaError("cannot convert audio samples (" + AvErrorText(result) + ")");
    totalSamples_ = av_rescale(frames_, int64_t{rate} * header.rateDenominator, header.rateNumerator);
    mix_ = std::make_unique<AudioCrossfade>(std::move(a), std::move(b), rate, channels, totalSamples_);
  }

  AVStream* NewStream(const AVCodecContext& codec) {
    AVStream* stream = avformat_new_stream(output_.get(), nullptr);
    if (!stream) throw MediaError("out of memory for a stream");
    const int copied = avcodec_parameters_from_context(stream->codecpar, &codec);
    if (copied < 0) throw MediaError("cannot describe a stream (" + AvErrorText(copied) + ")");
    stream->time_base = codec.time_base;
    stream->avg_frame_rate = codec.framerate;
    return stream;
  }

  // One frame into the encoder, or null to drain it, and every packet it
  // gives out into the container.
  void Send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) throw MediaError("cannot encode for " + path_ + ": " + AvErrorText(result));
    for (;;) {
      result = avcodec_receive_packet(codec, packet_.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
      if (result < 0) throw MediaError("cannot encode for " + path_ + ": " + AvErrorText(result));
      // Every picture lasts one frame, every audio packet its samples; the
      // containers need that for the last one's end.
      if (packet_->duration == 0 && codec->codec_type == AVMEDIA_TYPE_VIDEO) packet_->duration = 1;
      av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
      packet_->stream_index = stream->index;
      result = av_interleaved_write_frame(output_.get(), packet_.get());
      if (result < 0) throw MediaError("cannot write " + path_ + ": " + AvErrorText(result));
    }
  }

  void WriteAudioUpTo(uint32_t videoFrames) {
    const int64_t due =
        std::min(totalSamples_,
                 av_rescale(videoFrames, int64_t{audio_->sample_rate} * video_->time_base.num, video_->time_base.den));
    while (mix_->mixed() + chunk_ <= due || (videoFrames >= frames_ && mix_->mixed() < due)) {
      const int count = static_cast<int>(std::min<int64_t>(chunk_, due - mix_->mixed()));
      mix_->Mix(size_t(count), planes_);
      FramePtr frame = AllocateFrame();
      frame->format = audio_->sample_fmt;
      frame->nb_samples = count;
      frame->sample_rate = audio_->sample_rate;
      av_channel_layout_copy(&frame->ch_layout, &audio_->ch_layout);
      if (av_frame_get_buffer(frame.get(), 0) < 0) throw MediaError("out of memory for audio");
      std::vector<const uint8_t*> in;
      for (const std::vector<float>& plane : planes_) in.push_back(reinterpret_cast<const uint8_t*>(plane.data()));
      const int converted = swr_convert(converter_.get(), frame->extended_data, count, in.data(), count);
      if (converted != count) throw MediaError("cannot convert audio samples");
      frame->pts = mix_->mixed() - count;
      Send(audio_.get(), audioStream_, frame.get());
    }
  }

  void Close() {
    finished_ = true;
    Send(video_.get(), videoStream_, nullptr);
    if (mix_) {
      WriteAudioUpTo(written_);
      Send(audio_.get(), audioStream_, nullptr);
    }
    const int trailer = av_write_trailer(output_.get());
    int closed = 0;
    if (!(output_->oformat->flags & AVFMT_NOFILE)) closed = avio_closep(&output_->pb);
    if (trailer < 0 || closed < 0)
      throw MediaError("cannot write " + path_ + ": " + AvErrorText(trailer < 0 ? trailer : closed));
  }

  SwsContext* TakeScaler(int width, int height) const {
    {
      std::lock_guard<std::mutex> lock(scalersMutex_);
      if (!scalers_.empty()) {
        SwsContext* scaler = scalers_.back().release();
        scalers_.pop_back();
        return scaler;
      }
    }
    SwsContext* scaler = sws_alloc_context();
    if (!scaler) throw MediaError("out of memory for a pixel converter");
    av_opt_set_int(scaler, "srcw", width, 0);
    av_opt_set_int(scaler, "srch", height, 0);
    av_opt_set_int(scaler, "src_format", AV_PIX_FMT_YUYV422, 0);
    av_opt_set_int(scaler, "dstw", width, 0);
    av_opt_set_int(scaler, "dsth", height, 0);
    av_opt_set_int(scaler, "dst_format", pixels_, 0);
    av_opt_set_int(scaler, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, 0);
    // The plug-in's chroma sits on the even columns; 4:2:0 out goes between the rows.
    av_opt_set_int(scaler, "src_h_chr_pos", 0, 0);
    av_opt_set_int(scaler, "dst_h_chr_pos", 0, 0);
    av_opt_set_int(scaler, "dst_v_chr_pos", 128, 0);
    // Set before it initialises, or it picks a converter that keeps the range.
    av_opt_set_int(scaler, "src_range", 0, 0);
    av_opt_set_int(scaler, "dst_range", fullRange_ ? 1 : 0, 0);
    if (sws_init_context(scaler, nullptr, nullptr) < 0) {
      sws_freeContext(scaler);
      throw MediaError(std::string("cannot convert frames to ") + av_get_pix_fmt_name(pixels_));
    }
    const int* table = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(scaler, table, 0, table, fullRange_ ? 1 : 0, 0, 1 << 16, 1 << 16);
    return scaler;
  }

  void GiveScaler(SwsContext* scaler) const {
    std::lock_guard<std::mutex> lock(scalersMutex_);
    scalers_.emplace_back(scaler);
  }

  struct OutputCloser {
    void operator()(AVFormatContext* context) const {
      if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
      avformat_free_context(context);
    }
  };

  std::string path_;
  uint32_t frames_;
  uint32_t written_ = 0;
  std::unique_ptr<AVFormatContext, OutputCloser> output_;
  CodecPtr video_, audio_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVPixelFormat pixels_ = AV_PIX_FMT_YUV422P;
  PacketPtr packet_ = AllocatePacket();
  std::unique_ptr<AudioCrossfade> mix_;
  ResamplerPtr converter_;
  int64_t totalSamples_ = 0;
  int chunk_ = 1024;
  std::vector<std::vector<float>> planes_;
  bool headerWritten_ = false, finished_ = false;
  // Source A's range: the plug-in's limited-range samples are taken back to it.
  bool fullRange_ = false;
  uint8_t lumaOut_[256], chromaOut_[256];
  mutable std::mutex scalersMutex_;
  mutable std::vector<ScalerPtr> scalers_;
};

}  // namespace

std::unique_ptr<EncodedOutput> OpenEncodedOutput(const std::string& path, const Y4mFormat& header, uint32_t frames,
                                                 const EncodingOptions& options) {
  return std::make_unique<AvEncodedOutput>(path, header, frames, options);
}

}  // namespace kavro
