#include "AvGrayFrames.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "AvCommon.h"
#include "media/Picture.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kavro {

namespace {

// Frames decoded onward rather than sought when no farther than this.
constexpr uint32_t kDecodeOnward = 12;
constexpr size_t kKeptFrames = 4;

// Sample value -> weight for one depth and range: a limited range's black
// (16, scaled to the depth) and below is 0, its white (235) and above 255.
std::vector<uint8_t> WeightTable(int depth, bool limited) {
  const uint32_t top = (uint32_t{1} << depth) - 1;
  std::vector<uint8_t> table(top + 1);
  const int64_t black = limited ? int64_t{16} << (depth - 8) : 0;
  const int64_t span = limited ? int64_t{219} << (depth - 8) : top;
  for (uint32_t v = 0; v <= top; ++v) {
    const int64_t w = ((static_cast<int64_t>(v) - black) * 255 * 2 + span) / (2 * span);
    table[v] = static_cast<uint8_t>(std::clamp<int64_t>(v < black ? 0 : w, 0, 255));
  }
  return table;
}

class AvGrayFrames : public GrayFrames {
 public:
  explicit AvGrayFrames(const std::string& path) : path_(path) {
    QuietLibraryLogging();
    input_ = OpenInput(path);
    const int found = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (found < 0) throw MediaError(path + ": no video stream");
    stream_ = input_->streams[found];
    ListFrameTimes();
    if (times_.empty()) throw MediaError(path + ": no frames");
    CheckPictureSize(stream_->codecpar->width, stream_->codecpar->height, path.c_str());
    const AVRational rate = stream_->avg_frame_rate.num > 0 ? stream_->avg_frame_rate : stream_->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) rate_ = {static_cast<uint32_t>(rate.num), static_cast<uint32_t>(rate.den)};
    decoder_ = OpenDecoder(path, *stream_);
    packet_ = AllocatePacket();
    decoded_ = AllocateFrame();
    const std::shared_ptr<const GrayImage> first = Frame(0);
    width_ = first->width;
    height_ = first->height;
  }

  std::string name() const override { return path_; }
  uint32_t count() const override { return static_cast<uint32_t>(times_.size()); }
  int width() const override { return width_; }
  int height() const override { return height_; }
  FrameRate rate() const override { return rate_; }

  std::shared_ptr<const GrayImage> Frame(uint32_t index) override {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Kept& kept : kept_) {
      if (kept.image && kept.index == index) return kept.image;
    }
    if (!(decodedAny_ && index > lastIndex_ && index - lastIndex_ <= kDecodeOnward)) Seek(index);
    std::shared_ptr<const GrayImage> image = DecodeUpTo(index);
    if (!image && sought_ != 0) {
      // The keyframe found lay past the frame: from the start then.
      SeekToStart();
      image = DecodeUpTo(index);
    }
    if (!image) throw MediaError(path_ + ": frame " + std::to_string(index) + " does not decode");
    kept_[nextKept_] = {index, image};
    nextKept_ = (nextKept_ + 1) % kKeptFrames;
    return image;
  }

 private:
  struct Kept {
    uint32_t index = 0;
    std::shared_ptr<const GrayImage> image;
  };

  static int64_t TimeOf(const AVPacket& packet) { return packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts; }

  // Every packet of the stream, in presentation order.
  void ListFrameTimes() {
    PacketPtr packet = AllocatePacket();
    while (av_read_frame(input_.get(), packet.get()) >= 0) {
      if (packet->stream_index == stream_->index && TimeOf(*packet) != AV_NOPTS_VALUE)
        times_.push_back(TimeOf(*packet));
      av_packet_unref(packet.get());
    }
    std::sort(times_.begin(), times_.end());
    times_.erase(std::unique(times_.begin(), times_.end()), times_.end());
  }

  // The index of a decoded frame's time: the last frame at or before it.
  uint32_t IndexOf(int64_t time) const {
    const auto after = std::upper_bound(times_.begin(), times_.end(), time);
    return after == times_.begin() ? 0 : static_cast<uint32_t>(after - times_.begin() - 1);
  }

  void Seek(uint32_t index) {
    av_seek_frame(input_.get(), stream_->index, times_[index], AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder_.get());
    sought_ = index;
    draining_ = false;
  }

  void SeekToStart() {
    av_seek_frame(input_.get(), stream_->index, times_[0], AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder_.get());
    sought_ = 0;
    draining_ = false;
    decodedAny_ = false;
  }

  // Decodes onward to the frame; null when the stream ends first or the
  // decoder's next frame already lies past it.
  std::shared_ptr<const GrayImage> DecodeUpTo(uint32_t index) {
    for (;;) {
      int received = avcodec_receive_frame(decoder_.get(), decoded_.get());
      if (received == 0) {
        const int64_t time =
            decoded_->best_effort_timestamp != AV_NOPTS_VALUE ? decoded_->best_effort_timestamp : decoded_->pts;
        const uint32_t at = IndexOf(time);
        decodedAny_ = true;
        lastIndex_ = at;
        if (at > index) {
          av_frame_unref(decoded_.get());
          return nullptr;
        }
        if (at == index) {
          auto image = std::make_shared<const GrayImage>(Weights(*decoded_));
          av_frame_unref(decoded_.get());
          return image;
        }
        av_frame_unref(decoded_.get());
        continue;
      }
      if (received == AVERROR_EOF) return nullptr;
      if (draining_) return nullptr;
      const int read = av_read_frame(input_.get(), packet_.get());
      if (read < 0) {
        draining_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        continue;
      }
      if (packet_->stream_index == stream_->index) avcodec_send_packet(decoder_.get(), packet_.get());
      av_packet_unref(packet_.get());
    }
  }

  GrayImage Weights(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
    if (!description || frame.width <= 0 || frame.height <= 0) throw MediaError(path_ + ": a frame without pictures");
    CheckPictureSize(frame.width, frame.height, path_.c_str());
    GrayImage image;
    image.width = frame.width;
    image.height = frame.height;
    image.pixels.resize(static_cast<size_t>(frame.width) * frame.height);
    const AVComponentDescriptor& luma = description->comp[0];
    const bool rgb = (description->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) != 0;
    const bool direct = !rgb && !(description->flags & (AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_BITSTREAM)) &&
                        luma.depth >= 8 && luma.depth <= 16 && (luma.depth > 8 || luma.shift == 0);
    if (direct) {
      // Gray formats say nothing of their range unless tagged limited; Y'CbCr
      // is limited unless tagged full or a "J" format.
      const bool gray = description->nb_components <= 2;
      const bool full = frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                        format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
                        (gray && frame.color_range != AVCOL_RANGE_MPEG);
      if (table_.empty() || tableDepth_ != luma.depth || tableFull_ != full) {
        table_ = WeightTable(luma.depth, !full);
        tableDepth_ = luma.depth;
        tableFull_ = full;
      }
      for (int y = 0; y < frame.height; ++y) {
        const uint8_t* row =
            frame.data[luma.plane] + static_cast<ptrdiff_t>(y) * frame.linesize[luma.plane] + luma.offset;
        uint8_t* out = &image.pixels[static_cast<size_t>(y) * frame.width];
        if (luma.depth == 8) {
          for (int x = 0; x < frame.width; ++x) out[x] = table_[row[x * luma.step]];
        } else {
          for (int x = 0; x < frame.width; ++x) {
            const uint8_t* at = row + x * luma.step;
            out[x] = table_[((at[0] | at[1] << 8) >> luma.shift) & ((1u << luma.depth) - 1)];
          }
        }
      }
      return image;
    }
    // R'G'B', palettes and rarer layouts: 8-bit R'G'B' by libswscale, then
    // BT.709 luma in full range, as the PNG stills.
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, frame.height, format, frame.width, frame.height,
                                       AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    if (!scaler_) throw MediaError(path_ + ": cannot convert its pixel format");
    std::vector<uint8_t> rgb24(static_cast<size_t>(frame.width) * frame.height * 3);
    uint8_t* planes[4] = {rgb24.data(), nullptr, nullptr, nullptr};
    int strides[4] = {frame.width * 3, 0, 0, 0};
    sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
      const uint8_t* p = &rgb24[3 * i];
      image.pixels[i] = static_cast<uint8_t>((13933 * p[0] + 46871 * p[1] + 4732 * p[2] + 32768) >> 16);
    }
    return image;
  }

  std::string path_;
  InputPtr input_;
  AVStream* stream_ = nullptr;
  CodecPtr decoder_;
  PacketPtr packet_;
  FramePtr decoded_;
  ScalerPtr scaler_;
  std::vector<int64_t> times_;
  FrameRate rate_;
  int width_ = 0, height_ = 0;

  std::mutex mutex_;
  bool decodedAny_ = false, draining_ = false;
  uint32_t lastIndex_ = 0, sought_ = 0;
  Kept kept_[kKeptFrames];
  size_t nextKept_ = 0;
  std::vector<uint8_t> table_;
  int tableDepth_ = 0;
  bool tableFull_ = false;
};

}  // namespace

std::unique_ptr<GrayFrames> OpenAvGrayFrames(const std::string& path) { return std::make_unique<AvGrayFrames>(path); }

}  // namespace kavro
