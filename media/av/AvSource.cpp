#include "AvSource.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

extern "C" {
#include <libavutil/display.h>
}

#include "AvCommon.h"
#include "AvFrameConversion.h"

namespace kavro {

namespace {

constexpr AVRational kDefaultRate = {25, 1};

class AvPicture : public SourceFrame {
 public:
  AvPicture(FramePtr frame, int64_t pts, int64_t end, const PictureColour& colour, int outputMatrix)
      : frame_(std::move(frame)), pts_(pts), end_(end), colour_(colour), outputMatrix_(outputMatrix) {}
  void Render(const PackedLayout& layout, uint8_t* frame) const override {
    PackAvFrame(*frame_, colour_, outputMatrix_, layout, frame);
  }
  int64_t pts() const { return pts_; }
  int64_t end() const { return end_; }

 private:
  FramePtr frame_;
  int64_t pts_, end_;  // in the stream's time base
  PictureColour colour_;
  int outputMatrix_;
};

bool Valid(AVRational rate) { return rate.num > 0 && rate.den > 0; }

// A pipe or device kavro has already read the first bytes of, read by the
// demuxer from those bytes on: it can be read only once.
class StreamInput {
 public:
  StreamInput(std::FILE* stream, std::string first) : stream_(stream), first_(std::move(first)) {
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kBufferBytes));
    if (buffer) io_ = avio_alloc_context(buffer, kBufferBytes, 0, this, &Read, nullptr, nullptr);
    if (!io_) {
      av_free(buffer);
      std::fclose(stream_);
      throw MediaError("out of memory for a reader");
    }
  }
  ~StreamInput() {
    if (io_) av_freep(&io_->buffer);
    avio_context_free(&io_);
    if (stream_ != stdin) std::fclose(stream_);
  }
  StreamInput(const StreamInput&) = delete;
  StreamInput& operator=(const StreamInput&) = delete;
  AVIOContext* io() const { return io_; }

 private:
  static constexpr int kBufferBytes = 1 << 16;
  static int Read(void* opaque, uint8_t* buffer, int size) {
    StreamInput& input = *static_cast<StreamInput*>(opaque);
    size_t got = 0;
    if (input.used_ < input.first_.size()) {
      got = std::min(static_cast<size_t>(size), input.first_.size() - input.used_);
      std::memcpy(buffer, input.first_.data() + input.used_, got);
      input.used_ += got;
    } else {
      got = std::fread(buffer, 1, static_cast<size_t>(size), input.stream_);
    }
    if (got > 0) return static_cast<int>(got);
    return std::ferror(input.stream_) ? AVERROR(EIO) : AVERROR_EOF;
  }

  std::FILE* stream_;
  std::string first_;
  size_t used_ = 0;
  AVIOContext* io_ = nullptr;
};

// The pictures an image sequence's reader reads: from the first of the
// pattern's first five numbers that names a file up to the first number
// that names none; the reader claims every number up to the last file.
std::optional<uint64_t> PicturesInSequence(const std::string& pattern) {
  char name[4096];
  auto exists = [&](int number) {
    std::error_code error;
    return av_get_frame_filename2(name, sizeof name, pattern.c_str(), number, 0) == 0 &&
           std::filesystem::is_regular_file(name, error);
  };
  int number = 0;
  while (number < 5 && !exists(number)) ++number;
  if (number == 5) return std::nullopt;
  uint64_t count = 0;
  while (number < INT32_MAX && exists(number++)) ++count;
  return count;
}

// The end of a stream's last packet in a file, read from near the end the
// file claims: a file cut short still claims the length it was meant to
// have. Empty when it cannot be told. Opens the file a second time, so
// only for regular files.
std::optional<int64_t> MeasuredEnd(const std::string& path, int index, int64_t claimedEnd) {
  try {
    InputPtr input = OpenInput(path);
    if (index >= static_cast<int>(input->nb_streams)) return std::nullopt;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
      if (static_cast<int>(i) != index) input->streams[i]->discard = AVDISCARD_ALL;
    }
    if (avformat_seek_file(input.get(), index, INT64_MIN, claimedEnd, claimedEnd, 0) < 0) return std::nullopt;
    PacketPtr packet = AllocatePacket();
    std::optional<int64_t> end;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
      if (packet->stream_index == index) {
        const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (time != AV_NOPTS_VALUE) end = std::max(end.value_or(time), time + std::max<int64_t>(packet->duration, 0));
      }
      av_packet_unref(packet.get());
    }
    return end;
  } catch (const MediaError&) {
    return std::nullopt;
  }
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

class AvSource : public Source {
 public:
  AvSource(const std::string& path, const SourcePlacement& placement)
      : AvSource(path, OpenInput(path), placement, nullptr) {}
  AvSource(std::unique_ptr<StreamInput> stream, const std::string& name, const SourcePlacement& placement)
      : AvSource(name, OpenInput(name, stream->io()), placement, std::move(stream)) {}

  std::string name() const override { return path_; }
  int width() const override { return format_.width; }
  int height() const override { return format_.height; }
  Proportions proportions() const override {
    return PictureProportions(format_.width, format_.height, format_.aspectNumerator, format_.aspectDenominator);
  }
  std::optional<uint64_t> length() const override { return length_; }
  bool still() const override { return still_; }
  const Y4mFormat* y4mFormat() const override { return &format_; }
  ColourTags colour() const override { return tags_; }

  std::shared_ptr<const SourceFrame> Next() override {
    const int64_t time = TimeOfFrame(index_);
    Advance(time);
    // The last picture is handed out at least once, however short it lasts.
    if (!lookahead_ && (!current_ || (current_ == handedOut_ && current_->end() <= time))) return nullptr;
    ++index_;
    handedOut_ = current_;
    return current_;
  }

 private:
  // The stream is taken by reference: its reader is opened before it moves.
  AvSource(const std::string& path, InputPtr input, const SourcePlacement& placement,
           std::unique_ptr<StreamInput>&& stream)
      : path_(path), streamInput_(std::move(stream)), input_(std::move(input)) {
    const int index = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) throw MediaError(path + ": has no video stream");
    stream_ = input_->streams[index];
    for (unsigned i = 0; i < input_->nb_streams; ++i) {
      if (static_cast<int>(i) != index) input_->streams[i]->discard = AVDISCARD_ALL;
    }
    decoder_ = OpenDecoder(path, *stream_);
    const AVCodecParameters& parameters = *stream_->codecpar;
    CheckPictureSize(parameters.width, parameters.height, path.c_str());
    colour_ = DescribePictures(parameters);
    outputMatrix_ = placement.matrix ? placement.matrix : colour_.matrix;
    tags_.matrix = outputMatrix_;
    tags_.primaries = parameters.color_primaries;
    tags_.transfer = parameters.color_trc;
    tags_.fullRange = colour_.fullRange;

    // A variable rate without an average (Matroska's millisecond clock
    // gives r_frame_rate 1000) runs at the built-in clips' rate.
    AVRational own = Valid(stream_->avg_frame_rate) ? stream_->avg_frame_rate : stream_->r_frame_rate;
    if (!Valid(own) || av_q2d(own) > 240) own = kDefaultRate;
    ownRate_ = own;
    rate_ = placement.rateNumerator
                ? AVRational{static_cast<int>(placement.rateNumerator), static_cast<int>(placement.rateDenominator)}
                : own;
    ownFrame_ = av_rescale_q(1, av_inv_q(own), stream_->time_base);
    if (ownFrame_ <= 0) ownFrame_ = 1;

    const AVRational aspect = av_guess_sample_aspect_ratio(input_.get(), stream_, nullptr);
    format_.width = parameters.width;
    format_.height = parameters.height;
    format_.chroma = Y4mChroma::k422;
    format_.rateNumerator = static_cast<uint32_t>(rate_.num);
    format_.rateDenominator = static_cast<uint32_t>(rate_.den);
    format_.aspectNumerator = static_cast<uint32_t>(Valid(aspect) ? aspect.num : 0);
    format_.aspectDenominator = static_cast<uint32_t>(Valid(aspect) ? aspect.den : 0);
    format_.interlace = parameters.field_order == AV_FIELD_TT ? 't' : parameters.field_order == AV_FIELD_BB ? 'b' : 'p';

    WarnAboutRotation();
    if (streamInput_ && av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
      std::fprintf(stderr, "kavro: %s: its sound is left out (a pipe is read once, for the pictures)\n", path_.c_str());
    }
    Place(placement.startSeconds);
  }

  // Frame i of the output is due at start + i / rate; a picture counts as
  // shown then when its timestamp is at most a tenth of a frame later.
  int64_t TimeOfFrame(uint64_t index) const {
    const AVRational base = stream_->time_base;
    return start_ + av_rescale(static_cast<int64_t>(10 * index + 1), int64_t{rate_.den} * base.den,
                               int64_t{10} * rate_.num * base.num);
  }

  void WarnAboutRotation() const {
    const uint8_t* matrix = av_stream_get_side_data(stream_, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix) return;
    const double degrees = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(degrees) || std::fabs(degrees) < 0.5) return;
    // Worded as ffprobe reports the display matrix.
    std::fprintf(stderr,
                 "kavro: %s: its display rotation of %.0f degrees is ignored; the pictures are used as stored\n",
                 path_.c_str(), degrees);
  }

  void Place(double startSeconds) {
    const AVRational base = stream_->time_base;
    int64_t origin = 0;
    if (input_->start_time != AV_NOPTS_VALUE) {
      origin = av_rescale_q(input_->start_time, AV_TIME_BASE_Q, base);
    } else if (stream_->start_time != AV_NOPTS_VALUE) {
      origin = stream_->start_time;
    }

    std::optional<double> duration;
    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
      duration = static_cast<double>(stream_->duration) * av_q2d(base);
    } else if (input_->duration != AV_NOPTS_VALUE && input_->duration > 0) {
      duration = static_cast<double>(input_->duration) / AV_TIME_BASE;
    }
    std::error_code error;
    if (duration && !streamInput_ && std::filesystem::is_regular_file(path_, error)) {
      const int64_t claimedEnd = origin + static_cast<int64_t>(*duration / av_q2d(base));
      const std::optional<int64_t> end = MeasuredEnd(path_, stream_->index, claimedEnd);
      if (end && *end > origin && *end < claimedEnd) duration = static_cast<double>(*end - origin) * av_q2d(base);
    }
    if (duration && std::strcmp(input_->iformat->name, "image2") == 0) {
      const std::optional<uint64_t> pictures = PicturesInSequence(path_);
      if (pictures) duration = std::min(*duration, static_cast<double>(*pictures) / av_q2d(ownRate_));
    }
    // One picture (an image file) stays for the whole transition, as a still
    // does, whatever the start.
    const double wholeFrames = duration ? std::floor(*duration * av_q2d(ownRate_) + 0.5) : 0;
    still_ = duration ? wholeFrames <= 1 : OnePicture();
    if (still_) startSeconds = 0;
    start_ = origin + av_rescale_q(std::llround(startSeconds * AV_TIME_BASE), AV_TIME_BASE_Q, base);
    if (duration && startSeconds >= *duration) {
      throw MediaError(path_ + ": lasts " + Seconds(*duration) + ", not beyond the start asked for (" +
                       Seconds(startSeconds) + ")");
    }
    // The frames left after the start; the frame shown at the start counts
    // however little of it is left.
    if (duration && !still_) {
      const double frames = std::floor((*duration - startSeconds) * av_q2d(rate_) + 0.5);
      length_ = static_cast<uint64_t>(std::clamp(frames, 1.0, 1e9));
    }
    if (startSeconds > 0 && avformat_seek_file(input_.get(), stream_->index, INT64_MIN, start_, start_, 0) >= 0) {
      avcodec_flush_buffers(decoder_.get());
    }
    const int64_t first = TimeOfFrame(0);
    Advance(first);
    if (!lookahead_ && (!current_ || (startSeconds > 0 && current_->end() <= first))) {
      throw MediaError(path_ + (current_ ? ": ends before the start asked for (" + Seconds(startSeconds) + ")"
                                         : ": holds no picture that decodes"));
    }
  }

  // An image file a reader gives no duration (a JPEG read as a stream of
  // pictures) is a still when it holds one picture: found by decoding, then
  // opening the file again to read it from its start.
  bool OnePicture() {
    const char* reader = input_->iformat->name;
    const size_t length = std::strlen(reader);
    const bool images =
        std::strcmp(reader, "image2") == 0 || (length > 5 && std::strcmp(reader + length - 5, "_pipe") == 0);
    if (streamInput_ || !images) return false;
    const bool one = Decode() && !Decode();
    const int index = stream_->index;
    input_ = OpenInput(path_);
    stream_ = input_->streams[index];
    for (unsigned i = 0; i < input_->nb_streams; ++i) {
      if (static_cast<int>(i) != index) input_->streams[i]->discard = AVDISCARD_ALL;
    }
    decoder_ = OpenDecoder(path_, *stream_);
    flushing_ = ended_ = false;
    nextPts_ = 0;
    return one;
  }

  // Decodes until the next picture is due after `time`.
  void Advance(int64_t time) {
    if (!lookahead_ && !ended_) lookahead_ = Decode();
    while (lookahead_ && (!current_ || lookahead_->pts() <= time)) {
      current_ = std::move(lookahead_);
      lookahead_ = Decode();
    }
  }

  std::shared_ptr<const AvPicture> Decode() {
    while (!ended_) {
      FramePtr frame = AllocateFrame();
      const int received = avcodec_receive_frame(decoder_.get(), frame.get());
      if (received >= 0) {
        int64_t pts = frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) pts = nextPts_;
        const int64_t duration = frame->pkt_duration > 0 ? frame->pkt_duration : ownFrame_;
        nextPts_ = pts + duration;
        return std::make_shared<AvPicture>(std::move(frame), pts, pts + duration, colour_, outputMatrix_);
      }
      if (received == AVERROR_EOF) {
        ended_ = true;
        break;
      }
      if (received != AVERROR(EAGAIN) && received != AVERROR_INVALIDDATA) {
        throw MediaError(path_ + ": decoding failed (" + AvErrorText(received) + ")");
      }
      if (received == AVERROR_INVALIDDATA) continue;
      if (flushing_) {
        ended_ = true;
        break;
      }
      const int read = av_read_frame(input_.get(), packet_.get());
      // A file that cannot be read on (a sequence's missing picture, a damaged
      // or cut file) ends there, as FFmpeg's own tools read it.
      if (read < 0) {
        flushing_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        continue;
      }
      if (packet_->stream_index == stream_->index) {
        const int sent = avcodec_send_packet(decoder_.get(), packet_.get());
        if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR(EAGAIN)) {
          av_packet_unref(packet_.get());
          throw MediaError(path_ + ": decoding failed (" + AvErrorText(sent) + ")");
        }
      }
      av_packet_unref(packet_.get());
    }
    return nullptr;
  }

  std::string path_;
  std::unique_ptr<StreamInput> streamInput_;  // outlives the demuxer reading it
  InputPtr input_;
  AVStream* stream_ = nullptr;
  CodecPtr decoder_;
  PacketPtr packet_ = AllocatePacket();
  PictureColour colour_;
  int outputMatrix_ = 1;
  ColourTags tags_;
  AVRational rate_ = kDefaultRate, ownRate_ = kDefaultRate;
  int64_t ownFrame_ = 1;
  Y4mFormat format_;
  std::optional<uint64_t> length_;
  bool still_ = false;
  int64_t start_ = 0;
  uint64_t index_ = 0;
  int64_t nextPts_ = 0;
  bool flushing_ = false, ended_ = false;
  std::shared_ptr<const AvPicture> current_, lookahead_, handedOut_;
};

}  // namespace

std::unique_ptr<Source> OpenAvSource(const std::string& path, const SourcePlacement& placement) {
  return std::make_unique<AvSource>(path, placement);
}

std::unique_ptr<Source> OpenAvSource(std::FILE* stream, const std::string& name, std::string first,
                                     const SourcePlacement& placement) {
  return std::make_unique<AvSource>(std::make_unique<StreamInput>(stream, std::move(first)), name, placement);
}

}  // namespace kavro
