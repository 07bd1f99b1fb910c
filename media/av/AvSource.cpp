#include "AvSource.h"

#include <cmath>
#include <cstdio>
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

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

class AvSource : public Source {
 public:
  AvSource(const std::string& path, const SourcePlacement& placement) : path_(path), input_(OpenInput(path)) {
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
    Place(placement.startSeconds);
  }

  std::string name() const override { return path_; }
  int width() const override { return format_.width; }
  int height() const override { return format_.height; }
  Proportions proportions() const override {
    return PictureProportions(format_.width, format_.height, format_.aspectNumerator, format_.aspectDenominator);
  }
  std::optional<uint64_t> length() const override { return length_; }
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
    start_ = origin + av_rescale_q(std::llround(startSeconds * AV_TIME_BASE), AV_TIME_BASE_Q, base);

    std::optional<double> duration;
    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
      duration = static_cast<double>(stream_->duration) * av_q2d(base);
    } else if (input_->duration != AV_NOPTS_VALUE && input_->duration > 0) {
      duration = static_cast<double>(input_->duration) / AV_TIME_BASE;
    }
    if (duration && startSeconds >= *duration) {
      throw MediaError(path_ + ": lasts " + Seconds(*duration) + ", not beyond the start asked for (" +
                       Seconds(startSeconds) + ")");
    }
    if (duration) {
      const double frames = std::floor((*duration - startSeconds) * av_q2d(rate_) + 0.5);
      // One picture (an image file) stays for the whole transition, as a still does.
      if (frames > 1) length_ = static_cast<uint64_t>(std::min(frames, 1e9));
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
      if (read == AVERROR_EOF) {
        flushing_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        continue;
      }
      if (read < 0) throw MediaError(path_ + ": cannot be read on (" + AvErrorText(read) + ")");
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
  InputPtr input_;
  AVStream* stream_ = nullptr;
  CodecPtr decoder_;
  PacketPtr packet_ = AllocatePacket();
  PictureColour colour_;
  int outputMatrix_ = 1;
  ColourTags tags_;
  AVRational rate_ = kDefaultRate;
  int64_t ownFrame_ = 1;
  Y4mFormat format_;
  std::optional<uint64_t> length_;
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

}  // namespace kavro
