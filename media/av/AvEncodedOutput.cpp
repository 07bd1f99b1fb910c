// Encoded outputs: the container from the file name, the codecs from the
// container unless asked for, libavformat's muxers and libavcodec's encoders.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

#include "AvAudio.h"
#include "AvCommon.h"
#include "AvEncoderChoice.h"
#include "AvFramesInFile.h"
#include "AvOutputPixels.h"
#include "EncodedOutput.h"

namespace kavro {

namespace {

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
    CheckContainer(*context->oformat, path);
    OpenVideo(header, options);
    if (options.audio) OpenAudio(header, options);
  }

  void Begin() override {
    AVFormatContext* context = output_.get();
    const int opened = avio_open(&context->pb, path_.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) throw MediaError("cannot write " + path_ + ": " + AvErrorText(opened));
    AVDictionary* muxing = nullptr;
    const std::string muxer = context->oformat->name;
    if (muxer == "mp4" || muxer == "mov") {
      // Fragments of a second, each indexed by its own header: once a write
      // fails the muxer writes nothing more, not even an index, so a disk
      // that fills up leaves every whole fragment playable. The index of
      // fragments written at the end lets players seek. The first index
      // waits for the first fragment, so that it holds the edit lists that
      // start the pictures an encoder holds back (H.264's) and the sound
      // after an encoder's priming (AAC's) at 0.
      av_dict_set(&muxing, "movflags", "+empty_moov+default_base_moof+delay_moov", 0);
      av_dict_set_int(&muxing, "frag_duration", 1000000, 0);
      // Large frames (ProRes) in smaller fragments: a fragment cut short is lost whole.
      av_dict_set_int(&muxing, "frag_size", 256 * 1024, 0);
    }
    const int written = avformat_write_header(context, &muxing);
    av_dict_free(&muxing);
    if (written < 0) throw MediaError("cannot write " + path_ + ": " + AvErrorText(written));
    headerWritten_ = true;
    // Matroska times a block by its first sample, priming included, and a
    // reader takes the codec delay off (Opus): the encoder's first packet,
    // before 0, goes at 0. Any other container keeps the encoder's times.
    if (audio_ && (muxer == "matroska" || muxer == "webm")) {
      audioShift_ = av_rescale_q(audio_->initial_padding, AVRational{1, audio_->sample_rate}, audio_->time_base);
    }
  }

  const std::vector<std::string>& notes() const override { return notes_; }

  ~AvEncodedOutput() override {
    if (!headerWritten_ || finished_) return;
    try {
      Close();
    } catch (const MediaError&) {
      // Closed as far as it went; the failure before this one was reported.
    }
  }

  void Convert(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) const override {
    pixelsOut_->Convert(frame, layout, out);
  }

  void Write(uint32_t index, const std::vector<uint8_t>& picture) override {
    FramePtr frame = AllocateFrame();
    frame->format = pixels_;
    frame->width = video_->width;
    frame->height = video_->height;
    frame->pts = index;
    frame->sample_aspect_ratio = video_->sample_aspect_ratio;
    // Encoders that tag each frame (ProRes) read the frame's colour, not their own.
    frame->colorspace = video_->colorspace;
    frame->color_primaries = video_->color_primaries;
    frame->color_trc = video_->color_trc;
    frame->color_range = video_->color_range;
    frame->chroma_location = video_->chroma_sample_location;
    av_image_fill_arrays(frame->data, frame->linesize, const_cast<uint8_t*>(picture.data()), pixels_, video_->width,
                         video_->height, 1);
    Send(video_.get(), videoStream_, frame.get());
    written_ = index + 1;
    if (mix_) WriteAudioUpTo(written_);
  }

  uint32_t framesOut() const override { return framesOut_; }

  void Finish(const std::function<void(uint32_t)>& progress) override {
    finished_ = true;
    progress_ = progress;
    Close();
  }

  uint32_t FramesInFile() override {
    progress_ = nullptr;
    if (headerWritten_ && !finished_) {
      try {
        Close();
      } catch (const MediaError&) {
        // Closed as far as it went; the failure before this one is reported.
      }
    }
    CloseFile();
    // A pipe or a device cannot be read back: what the muxer took, unless
    // not a byte of it got through (/dev/full).
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_, error)) return reached_ > 0 ? framesOut_ : 0;
    return static_cast<uint32_t>(std::min<uint64_t>(CutBackToWholeVideoFrames(path_), framesOut_));
  }

 private:
  void OpenVideo(const Y4mFormat& header, const EncodingOptions& options) {
    const VideoChoice choice = ChooseVideoEncoder(*output_->oformat, options, path_);
    const AVCodec* codec = choice.codec;
    pixels_ = choice.pixels;
    CheckSubsampledSize(choice, header.width, header.height, path_);
    fullRange_ = options.colour.fullRange;
    if (fullRange_ && LimitedRangeOnly(*codec)) {
      fullRange_ = false;
      notes_.push_back(path_ + ": " + codec->name +
                       " holds limited range only; A's full range is written as limited range");
    }
    if (options.quality >= 0 && Lossless(*codec)) {
      notes_.push_back("--quality " + std::to_string(options.quality) + " does nothing for " + codec->name +
                       ", which is lossless");
    }
    pixelsOut_ = std::make_unique<OutputPixels>(pixels_, fullRange_);
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

    if (!OpenVideoEncoder(c, *codec, options.quality)) {
      throw MediaError(path_ + ": " + codec->name + " does not encode " + std::to_string(header.width) + "x" +
                       std::to_string(header.height) + " frames" + SizesThatWork(c, *codec, options.quality));
    }
    videoStream_ = NewStream(c);
  }

  bool OpenVideoEncoder(AVCodecContext& context, const AVCodec& codec, int quality) {
    AVDictionary* settings = VideoSettings(codec, quality, context);
    const int opened = avcodec_open2(&context, &codec, &settings);
    av_dict_free(&settings);
    return opened >= 0;
  }

  // The encoder refused the size (an encoder's minimum, ffv1's slices):
  // the smallest of a few larger sizes of the same proportions it takes.
  std::string SizesThatWork(const AVCodecContext& refused, const AVCodec& codec, int quality) {
    for (int scale = 2; scale <= 64; scale *= 2) {
      CodecPtr trial(avcodec_alloc_context3(&codec));
      if (!trial) break;
      trial->width = (refused.width * scale + 15) / 16 * 16;
      trial->height = (refused.height * scale + 15) / 16 * 16;
      trial->pix_fmt = refused.pix_fmt;
      trial->time_base = refused.time_base;
      trial->framerate = refused.framerate;
      if (OpenVideoEncoder(*trial, codec, quality)) {
        return ": try --size " + std::to_string(trial->width) + "x" + std::to_string(trial->height) + " or larger";
      }
    }
    return ": try a larger --size";
  }

  void OpenAudio(const Y4mFormat& header, const EncodingOptions& options) {
    std::unique_ptr<AudioTrack> a = AudioTrack::Open(options.audioA), b = AudioTrack::Open(options.audioB);
    if (!a && !b) return;
    const AVOutputFormat& format = *output_->oformat;
    if (!HoldsSound(format)) {
      notes_.push_back(path_ + ": a " + std::string(format.name) +
                       " file holds no sound; the video is written without it (--no-audio: without a word)");
      return;
    }
    const AVCodec* codec = ChooseAudioEncoder(format);
    if (!codec) {
      throw MediaError(path_ + ": this build's libavcodec has no audio encoder for a " + format.name +
                       " file (--no-audio renders without sound)");
    }
    const int rate = ChooseSampleRate(*codec, a ? a->sampleRate() : b->sampleRate());
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
      if (codec == audio_.get() && audioShift_) {
        packet_->pts += audioShift_;
        packet_->dts += audioShift_;
      }
      av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
      packet_->stream_index = stream->index;
      result = av_interleaved_write_frame(output_.get(), packet_.get());
      if (result < 0) throw MediaError("cannot write " + path_ + ": " + AvErrorText(result));
      if (codec == video_.get()) {
        ++framesOut_;
        if (progress_) progress_(framesOut_);
      }
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
    const int closed = CloseFile();
    if (trailer < 0 || closed < 0)
      throw MediaError("cannot write " + path_ + ": " + AvErrorText(trailer < 0 ? trailer : closed));
  }

  // Flushes and closes the file, keeping how many bytes got through.
  int CloseFile() {
    if (!output_->pb) return 0;
    avio_flush(output_->pb);
    reached_ = output_->pb->bytes_written;
    return avio_closep(&output_->pb);
  }

  struct OutputCloser {
    void operator()(AVFormatContext* context) const {
      if (context->pb) avio_closep(&context->pb);
      avformat_free_context(context);
    }
  };

  std::string path_;
  uint32_t frames_;
  uint32_t written_ = 0, framesOut_ = 0;
  int64_t reached_ = 0;  // bytes that got into the file
  std::function<void(uint32_t)> progress_;
  std::unique_ptr<AVFormatContext, OutputCloser> output_;
  CodecPtr video_, audio_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVPixelFormat pixels_ = AV_PIX_FMT_YUV422P;
  PacketPtr packet_ = AllocatePacket();
  std::unique_ptr<AudioCrossfade> mix_;
  ResamplerPtr converter_;
  int64_t totalSamples_ = 0;
  int64_t audioShift_ = 0;  // added to the sound's times, in its encoder's time base
  std::vector<std::string> notes_;
  int chunk_ = 1024;
  std::vector<std::vector<float>> planes_;
  bool headerWritten_ = false, finished_ = false;
  // Source A's range: the plug-in's limited-range samples are taken back to it.
  bool fullRange_ = false;
  std::unique_ptr<OutputPixels> pixelsOut_;
};

}  // namespace

std::unique_ptr<EncodedOutput> OpenEncodedOutput(const std::string& path, const Y4mFormat& header, uint32_t frames,
                                                 const EncodingOptions& options) {
  return std::make_unique<AvEncodedOutput>(path, header, frames, options);
}

}  // namespace kavro
