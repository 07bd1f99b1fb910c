#include "Matte.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "HostingError.h"
#include "MaskChoice.h"
#include "masks/Pelt.h"
#include "media/GrayPictureFiles.h"
#include "media/GraySequence.h"
#include "media/Picture.h"
#ifdef KAVRO_HAVE_AV
#include "media/av/AvGrayFrames.h"
#endif

namespace kavro {

namespace {

namespace fs = std::filesystem;

// The file's first bytes, enough to tell a picture from a video.
bool StartsAsPicture(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t start[16] = {};
  const size_t got = std::fread(start, 1, sizeof start, file);
  std::fclose(file);
  return LooksLikeGrayPicture(start, got);
}

// 8-bit gray PNG files, what mattes mostly are, go the image library's plain
// path as the plug-in's own mask frames do (libdeflate, several times
// faster than the general decoder); any other kind, and anything odd about
// such a file, the general one. Both give the same levels.
GrayImage DecodeMattePicture(const std::vector<uint8_t>& bytes, const std::string& name) {
  const bool plainGray = bytes.size() > 26 && LooksLikeGrayPicture(bytes.data(), bytes.size()) && bytes[0] == 0x89 &&
                         bytes[24] == 8 && bytes[25] == 0;
  if (plainGray) {
    TImagePNG png;
    if (png.Open(bytes.data(), kPeltSourceMemory, static_cast<unsigned long>(bytes.size()), 0) >= 0 &&
        png.Read(0) >= 0 && png.GetBitCount() == 8 && png.GetPalette(nullptr, 0) == 0 &&
        SizeWithinLimits(png.GetWidth(), png.GetHeight())) {
      GrayImage image;
      image.width = static_cast<int>(png.GetWidth());
      image.height = static_cast<int>(png.GetHeight());
      image.pixels.resize(static_cast<size_t>(image.width) * image.height);
      // Rows bottom first in the library's image.
      for (int y = 0; y < image.height; ++y) {
        std::memcpy(&image.pixels[static_cast<size_t>(y) * image.width],
                    png.GetBits() + static_cast<ptrdiff_t>(image.height - 1 - y) * png.GetWidthBytes(),
                    static_cast<size_t>(image.width));
      }
      return image;
    }
  }
  return DecodeGrayPicture(bytes.data(), bytes.size(), name);
}

std::unique_ptr<GrayFrames> OpenFrames(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::is_directory(status)) {
    std::vector<std::string> files = FolderPngFiles(path);
    if (files.empty()) throw MediaError(path + ": no PNG files in the folder");
    return OpenGraySequence(path, std::move(files), DecodeMattePicture);
  }
  if (fs::exists(status)) {
    if (StartsAsPicture(path)) return OpenGraySequence(path, {path}, DecodeMattePicture);
#ifdef KAVRO_HAVE_AV
    return OpenAvGrayFrames(path);
#else
    throw MediaError(path + ": not a PNG or PGM picture (this build reads no video mattes)");
#endif
  }
  if (IsSequencePattern(path)) {
    std::vector<std::string> files = PatternFiles(path);
    if (files.empty()) throw MediaError(path + ": no files match the pattern (numbered from 0 to 4 on)");
    return OpenGraySequence(path, std::move(files), DecodeMattePicture);
  }
  throw MediaError("no matte " + path + ": no such file or folder");
}

}  // namespace

bool LooksLikeMattePath(const std::string& text) {
  if (text.find_first_of("/\\.%") != std::string::npos) return true;
  try {
    ResolveMask(text);
    return false;
  } catch (const HostingError&) {
    std::error_code error;
    return !text.empty() && fs::exists(text, error);
  }
}

std::unique_ptr<Matte> Matte::Open(const std::string& path, const MatteOptions& options) {
  try {
    return std::make_unique<Matte>(OpenFrames(path), options);
  } catch (const MediaError& error) {
    throw HostingError(error.what());
  }
}

Matte::Matte(std::unique_ptr<GrayFrames> frames, const MatteOptions& options)
    : frames_(std::move(frames)), options_(options), edgeLevels_(SoftnessLevels(options.softness)) {
  lumaMap_ = options.kind == MatteKind::kLumaMap || (options.kind == MatteKind::kByFrameCount && frames_->count() == 1);
}

std::string Matte::Describe() const {
  const GrayFrames& f = *frames_;
  std::string text = f.name() + ": ";
  text += lumaMap_ ? "a luma map" : "an animated matte, " + std::to_string(f.count()) + " frames";
  text += " of " + std::to_string(f.width()) + "x" + std::to_string(f.height());
  const FrameRate rate = f.rate();
  if (!lumaMap_ && rate.known()) {
    char fps[32];
    std::snprintf(fps, sizeof fps, "%.6g", static_cast<double>(rate.numerator) / rate.denominator);
    text += std::string(" at ") + fps + " fps";
  }
  return text;
}

uint32_t Matte::FrameIndexAt(int64_t position, int64_t length, FrameRate outputRate, bool reverse) const {
  const uint32_t count = frames_->count();
  uint32_t index = 0;
  if (options_.timing == MatteTiming::kSpread) {
    index = MaskFrameAtPosition(position, length, count);
  } else if (position > 0) {
    // At output time position / outputRate the matte shows its frame
    // floor(time x its rate); without rates, one frame an output frame.
    const FrameRate own = frames_->rate();
    uint64_t shown = static_cast<uint64_t>(position);
    if (own.known() && outputRate.known()) {
      shown = static_cast<uint64_t>(position) * own.numerator * outputRate.denominator /
              (uint64_t{own.denominator} * outputRate.numerator);
    }
    index = static_cast<uint32_t>(std::min<uint64_t>(shown, count - 1));
  }
  return reverse ? count - 1 - index : index;
}

MatteWeights Matte::WeightsAt(int64_t position, int64_t length, FrameRate outputRate, bool reverse) {
  if (lumaMap_) {
    const int64_t last = length > 1 ? length - 1 : 1;
    const int64_t at = std::clamp<int64_t>(position, 0, last);
    return Mapped(static_cast<uint32_t>(std::min<int64_t>(at, UINT32_MAX)),
                  static_cast<uint32_t>(std::min<int64_t>(last, UINT32_MAX)), reverse);
  }
  MatteWeights weights;
  weights.picture = FrameOrEarlier(FrameIndexAt(position, length, outputRate, reverse));
  return weights;
}

MatteWeights Matte::WeightsAtProgress(double progress, bool reverse) {
  if (lumaMap_) {
    constexpr uint32_t kSteps = 1u << 20;
    return Mapped(static_cast<uint32_t>(std::lround(ClampProgress(progress) * kSteps)), kSteps, reverse);
  }
  const uint32_t count = frames_->count();
  const uint32_t index = MaskFrameAtProgress(progress, count);
  MatteWeights weights;
  weights.picture = FrameOrEarlier(reverse ? count - 1 - index : index);
  return weights;
}

MatteWeights Matte::Mapped(uint32_t numerator, uint32_t denominator, bool reverse) {
  MatteWeights weights;
  weights.picture = FrameOrEarlier(0);
  weights.mapped = true;
  weights.levels = LumaWeights(reverse ? denominator - numerator : numerator, denominator, edgeLevels_);
  return weights;
}

std::shared_ptr<const GrayImage> Matte::FrameOrEarlier(uint32_t index) {
  for (uint32_t tried = index;; --tried) {
    try {
      return frames_->Frame(tried);
    } catch (const MediaError& error) {
      if (!warned_.exchange(true) && options_.warn) {
        options_.warn(std::string(error.what()) + "; the last frame that decodes is shown in its place");
      }
      if (tried == 0) throw HostingError(error.what());
    }
  }
}

}  // namespace kavro
