#include "Sources.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "BufferPool.h"
#include "FrameClock.h"
#include "media/ColourConversion.h"
#include "media/ColourMap.h"
#include "media/FileBytes.h"
#include "media/PackedRgba.h"
#include "media/PictureFitting.h"
#include "media/PngFile.h"
#include "media/Scaling.h"
#include "media/Y4mPacked.h"
#include "media/Y4mReader.h"

#ifdef KAVRO_HAVE_AV
#include "media/av/AvSource.h"
#endif

namespace kavro {

namespace {

void PackScaled(const Picture& picture, const PackedLayout& layout, uint8_t* frame, bool interlaced = false) {
  if (picture.width == static_cast<int>(layout.width) && picture.height == static_cast<int>(layout.height)) {
    PackPicture(picture, layout, frame);
  } else {
    PackPicture(FitPicture(picture, static_cast<int>(layout.width), static_cast<int>(layout.height), interlaced),
                layout, frame);
  }
}

class PictureFrame : public SourceFrame {
 public:
  explicit PictureFrame(Picture picture) : picture_(std::move(picture)) {}
  void Render(const PackedLayout& layout, uint8_t* frame) const override { PackScaled(picture_, layout, frame); }

 private:
  Picture picture_;
};

// Planes as read, in a buffer of the source's pool that goes back there
// with the frame; their conversion to 4:2:2 (and to another matrix, when
// the output's differs) runs on the rendering thread.
class Y4mFrame : public SourceFrame {
 public:
  Y4mFrame(const Y4mFormat& format, std::vector<uint8_t> planes, std::shared_ptr<BufferPool> pool,
           std::shared_ptr<const ColourMap> map)
      : format_(format), planes_(std::move(planes)), pool_(std::move(pool)), map_(std::move(map)) {}
  ~Y4mFrame() override { pool_->Give(std::move(planes_)); }
  void Render(const PackedLayout& layout, uint8_t* frame) const override {
    if (!map_ && PacksAsItIs(format_, layout)) {
      PackY4m422Planes(format_, planes_.data(), layout, frame);
      return;
    }
    Picture picture = Y4mPlanesToPicture(format_, planes_.data());
    if (map_) MapPicture(picture, *map_);
    PackScaled(picture, layout, frame, IsInterlaced(format_));
  }

 private:
  Y4mFormat format_;
  std::vector<uint8_t> planes_;
  std::shared_ptr<BufferPool> pool_;
  std::shared_ptr<const ColourMap> map_;
};

// Drawn at the size asked for, so it is never scaled.
class GeneratedFrame : public SourceFrame {
 public:
  GeneratedFrame(DefaultClip clip, uint32_t index) : clip_(clip), index_(index) {}
  void Render(const PackedLayout& layout, uint8_t* frame) const override {
    const RgbaImage image =
        DrawDefaultClipFrame(clip_, static_cast<int>(layout.width), static_cast<int>(layout.height), index_);
    PackedRgbaScratch scratch;
    PackRgba(image.pixels.data(), layout.width, layout, frame, scratch);
  }

 private:
  DefaultClip clip_;
  uint32_t index_;
};

class Y4mSource : public Source {
 public:
  Y4mSource(std::FILE* stream, const std::string& path, std::string alreadyRead = "")
      : stream_(stream), reader_(stream, path == "-" ? "standard input" : path, std::move(alreadyRead)) {
    // A pipe cannot seek: its length, like standard input's, is unknown.
    if (path != "-") {
      length_ = reader_.CountRemainingFrames();
      if (length_ && *length_ == 0) throw MediaError(reader_.name() + ": holds no frames");
    }
  }
  ~Y4mSource() override {
    if (stream_ != stdin) std::fclose(stream_);
  }
  std::string name() const override { return reader_.name(); }
  int width() const override { return reader_.format().width; }
  int height() const override { return reader_.format().height; }
  Proportions proportions() const override {
    const Y4mFormat& format = reader_.format();
    return PictureProportions(format.width, format.height, format.aspectNumerator, format.aspectDenominator);
  }
  std::optional<uint64_t> length() const override { return length_; }
  const Y4mFormat* y4mFormat() const override { return sampledFormat_ ? &*sampledFormat_ : &reader_.format(); }
  // YUV4MPEG2 declares no matrix: the rule for untagged pictures holds. An
  // encoded output returns to XCOLORRANGE=FULL.
  ColourTags colour() const override {
    ColourTags tags;
    tags.matrix = MatrixOfUntagged(reader_.format().height);
    tags.primaries = tags.transfer = 2;  // unspecified
    tags.fullRange = reader_.format().range == Y4mRange::kFull;
    return tags;
  }
  // From here on, frames are converted to this matrix where it is another.
  void ConvertTo(int matrix) {
    const int own = colour().matrix;
    if (!SameMatrix(own, matrix)) map_ = std::make_shared<const ColourMap>(MakeColourMap(own, false, matrix));
  }
  // Reads past the frames before a start time, at the stream's frame rate.
  void SkipSeconds(double seconds) {
    const Y4mFormat& format = reader_.format();
    const uint64_t skip = static_cast<uint64_t>(seconds * format.rateNumerator / format.rateDenominator + 0.5);
    if (length_ && skip >= *length_) {
      throw MediaError(name() + ": holds " + std::to_string(*length_) + " frames, not more than the " +
                       std::to_string(skip) + " before the start asked for");
    }
    std::vector<uint8_t> planes(Y4mFrameBytes(format));
    for (uint64_t i = 0; i < skip; ++i) {
      if (!reader_.ReadFrame(planes)) throw MediaError(name() + ": ends before the start asked for");
    }
    if (length_) *length_ -= skip;
  }
  // From here on, hands out the frame shown at each frame time of this rate.
  void SampleAt(uint32_t rateNumerator, uint32_t rateDenominator) {
    const Y4mFormat& format = reader_.format();
    clock_.emplace(rateNumerator, rateDenominator, format.rateNumerator, format.rateDenominator);
    if (clock_->SameRate()) {
      clock_.reset();
      return;
    }
    if (length_) *length_ = clock_->OutputFramesWithin(*length_);
    sampledFormat_ = format;
    sampledFormat_->rateNumerator = rateNumerator;
    sampledFormat_->rateDenominator = rateDenominator;
  }
  std::shared_ptr<const SourceFrame> Next() override {
    if (!clock_) return ReadNext();
    const uint64_t due = clock_->ClipFrameAt(sampled_++);
    bool skippedAhead = false;
    while (framesRead_ <= due) {
      std::shared_ptr<const SourceFrame> frame = ReadNext();
      // The clip's last frame is handed out even when its time was passed over.
      if (!frame) return skippedAhead ? shown_ : nullptr;
      shown_ = std::move(frame);
      ++framesRead_;
      skippedAhead = true;
    }
    return shown_;
  }

 private:
  std::shared_ptr<const SourceFrame> ReadNext() {
    std::vector<uint8_t> planes = pool_->Take(Y4mFrameBytes(reader_.format()));
    try {
      if (!reader_.ReadFrame(planes)) {
        pool_->Give(std::move(planes));
        return nullptr;
      }
    } catch (...) {
      pool_->Give(std::move(planes));
      throw;
    }
    Y4mFormat format = reader_.format();
    // A mixed stream says each frame's interlacing in its FRAME header.
    if (format.interlace == 'm') format.interlace = Y4mFrameInterlace(reader_.frameTags());
    return std::make_shared<Y4mFrame>(format, std::move(planes), pool_, map_);
  }

  std::FILE* stream_;
  Y4mReader reader_;
  std::optional<uint64_t> length_;
  std::shared_ptr<BufferPool> pool_ = std::make_shared<BufferPool>();
  // Set when the clip is sampled at another rate than its own.
  std::optional<FrameClock> clock_;
  std::optional<Y4mFormat> sampledFormat_;
  std::shared_ptr<const ColourMap> map_;
  uint64_t sampled_ = 0, framesRead_ = 0;
  std::shared_ptr<const SourceFrame> shown_;
};

// Converted from R'G'B' by BT.709, then to the output's matrix where it is
// another (0: BT.709's own).
class StillSource : public Source {
 public:
  StillSource(const std::string& path, const RgbaImage& image, int matrix)
      : path_(path), width_(image.width), height_(image.height) {
    Picture picture = RgbaToPicture(image);
    if (matrix && !SameMatrix(kMatrixBt709, matrix)) MapPicture(picture, MakeColourMap(kMatrixBt709, false, matrix));
    frame_ = std::make_shared<PictureFrame>(std::move(picture));
  }
  std::string name() const override { return path_; }
  int width() const override { return width_; }
  int height() const override { return height_; }
  Proportions proportions() const override { return PictureProportions(width_, height_, 1, 1); }
  std::optional<uint64_t> length() const override { return std::nullopt; }
  bool still() const override { return true; }
  std::shared_ptr<const SourceFrame> Next() override { return std::exchange(frame_, nullptr); }

 private:
  std::string path_;
  int width_, height_;
  std::shared_ptr<const SourceFrame> frame_;
};

class GeneratedSource : public Source {
 public:
  GeneratedSource(DefaultClip clip, int width, int height) : clip_(clip), width_(width), height_(height) {}
  std::string name() const override {
    return clip_ == DefaultClip::kTestPattern ? "built-in test pattern" : "built-in gradient";
  }
  int width() const override { return width_; }
  int height() const override { return height_; }
  Proportions proportions() const override { return PictureProportions(width_, height_, 1, 1); }
  std::optional<uint64_t> length() const override { return std::nullopt; }
  std::shared_ptr<const SourceFrame> Next() override { return std::make_shared<GeneratedFrame>(clip_, next_++); }

 private:
  DefaultClip clip_;
  int width_, height_;
  uint32_t next_ = 0;
};

}  // namespace

namespace {

// kStream: a pipe or a device, whose first bytes can be read only once, so
// it is opened once, by the readers that sniff what they read.
enum class FileKind { kPng, kY4m, kStream, kOther };

// By the first bytes; a path that does not open as a file (an image
// sequence's pattern) is of another kind.
FileKind KindOfFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    return FileKind::kStream;
  }
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (!stream) return FileKind::kOther;
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t start[8] = {};
  const size_t got = std::fread(start, 1, sizeof start, stream);
  std::fclose(stream);
  if (got == sizeof start && std::memcmp(start, kPngSignature, sizeof start) == 0) return FileKind::kPng;
  if (got >= 5 && std::memcmp(start, kY4mSignature, 5) == 0) return FileKind::kY4m;
  return FileKind::kOther;
}

}  // namespace

namespace {

// A file or stream by its first bytes, which stay with what was read rather
// than being sought back to, so that a pipe reads like a file. With a
// placement, what is neither a PNG image nor YUV4MPEG2 goes to FFmpeg's
// libraries where kavro links them.
std::unique_ptr<Source> OpenByFirstBytes(const std::string& path, const SourcePlacement* placement) {
  std::FILE* stream = OpenBinary(path, false);
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t start[8] = {};
  const size_t got = std::fread(start, 1, sizeof start, stream);
  if (got == sizeof start && std::memcmp(start, kPngSignature, sizeof start) == 0) {
    std::vector<uint8_t> bytes(start, start + got);
    try {
      const std::vector<uint8_t> rest = ReadStreamBytes(stream, path);
      bytes.insert(bytes.end(), rest.begin(), rest.end());
    } catch (...) {
      if (stream != stdin) std::fclose(stream);
      throw;
    }
    if (stream != stdin) std::fclose(stream);
    return std::make_unique<StillSource>(path, DecodePng(bytes.data(), bytes.size(), path),
                                         placement ? placement->matrix : 0);
  }
  const std::string name = path == "-" ? "standard input" : path;
  if (got == 0) {
    if (stream != stdin) std::fclose(stream);
    throw MediaError(name + ": is empty");
  }
  if (got < 5 || std::memcmp(start, kY4mSignature, 5) != 0) {
#ifdef KAVRO_HAVE_AV
    if (placement) return OpenAvSource(stream, name, std::string(start, start + got), *placement);
#else
    (void)placement;
#endif
    if (stream != stdin) std::fclose(stream);
    throw MediaError(name + ": neither a YUV4MPEG2 file nor a PNG image");
  }
  try {
    if (path == "-" || !IsRegularFile(stream) || std::fseek(stream, 0, SEEK_SET) != 0) {
      return std::make_unique<Y4mSource>(stream, path, std::string(start, start + got));
    }
    return std::make_unique<Y4mSource>(stream, path);
  } catch (...) {
    if (stream != stdin) std::fclose(stream);
    throw;
  }
}

}  // namespace

bool ReadableTwice(const std::string& path) { return path != "-" && KindOfFile(path) != FileKind::kStream; }

std::unique_ptr<Source> OpenSource(const std::string& path) { return OpenByFirstBytes(path, nullptr); }

std::unique_ptr<Source> OpenSource(const std::string& path, const SourcePlacement& placement) {
  const FileKind kind = path == "-" ? FileKind::kStream : KindOfFile(path);
#ifdef KAVRO_HAVE_AV
  if (kind == FileKind::kOther) return OpenAvSource(path, placement);
#endif
  std::unique_ptr<Source> source = OpenByFirstBytes(path, &placement);
  // A YUV4MPEG2 format here is a Y4mSource's, or a stream FFmpeg read.
  if (kind != FileKind::kPng && source->y4mFormat() && dynamic_cast<Y4mSource*>(source.get())) {
    Y4mSource& clip = static_cast<Y4mSource&>(*source);
    if (placement.startSeconds > 0) clip.SkipSeconds(placement.startSeconds);
    if (placement.rateOfAClip && placement.rateNumerator && placement.rateDenominator) {
      clip.SampleAt(placement.rateNumerator, placement.rateDenominator);
    }
    if (placement.matrix) clip.ConvertTo(placement.matrix);
  }
  return source;
}

std::unique_ptr<Source> MakeDefaultSource(DefaultClip clip, int width, int height) {
  return std::make_unique<GeneratedSource>(clip, width, height);
}

HeldClip::HeldClip(std::unique_ptr<Source> source) : source_(std::move(source)) {}

std::shared_ptr<const SourceFrame> HeldClip::Next() {
  if (!ended_) {
    std::shared_ptr<const SourceFrame> frame = source_->Next();
    if (frame) {
      last_ = std::move(frame);
      ++read_;
    } else {
      ended_ = true;
    }
  }
  if (!last_) throw MediaError(source_->name() + ": holds no frames");
  return last_;
}

}  // namespace kavro
