#include "FrameOutputs.h"

#include <filesystem>
#include <system_error>

#include "FileBytes.h"
#include "PackedRgba.h"
#include "PngFile.h"
#include "Y4mPacked.h"

namespace kavro {

FrameOutputs::FrameOutputs(const OutputOptions& options, const Y4mFormat& header, uint32_t frames)
    : options_(options), frames_(frames) {
  if (!options_.pngFolder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options_.pngFolder, error);
    if (error || !std::filesystem::is_directory(options_.pngFolder)) {
      throw MediaError("cannot create the folder " + options_.pngFolder + (error ? ": " + error.message() : ""));
    }
  }
  if (!options_.sheetPath.empty()) {
    sheet_ = std::make_unique<ContactSheet>(frames, options_.sheetEvery, header.width, header.height);
  }
  if (!options_.y4mPath.empty() && !IsY4mOutputName(options_.y4mPath)) {
#ifdef KAVRO_HAVE_AV
    encoded_ = OpenEncodedOutput(options_.y4mPath, header, frames, options_.encoding);
#else
    throw MediaError(options_.y4mPath + ": this build writes YUV4MPEG2 only");
#endif
  } else if (!options_.y4mPath.empty()) {
    y4m_ = OpenBinary(options_.y4mPath, true);
    const std::string text = FormatY4mHeader(header);
    if (std::fwrite(text.data(), 1, text.size(), y4m_) != text.size()) {
      throw MediaError("cannot write " + options_.y4mPath);
    }
  }
}

bool IsY4mOutputName(const std::string& path) {
  return path == "-" || (path.size() >= 5 && path.compare(path.size() - 4, 4, ".y4m") == 0);
}

FrameOutputs::~FrameOutputs() {
  if (y4m_ && y4m_ != stdout) std::fclose(y4m_);
}

std::string FrameOutputs::PngPath(uint32_t index) const {
  std::string number = std::to_string(index);
  const size_t digits = std::max<size_t>(5, std::to_string(frames_ ? frames_ - 1 : 0).size());
  if (number.size() < digits) number.insert(0, digits - number.size(), '0');
  return (std::filesystem::path(options_.pngFolder) / ("frame_" + number + ".png")).string();
}

void FrameOutputs::Encode(uint32_t index, const uint8_t* frame, const PackedLayout& layout, EncodedFrame& out) const {
  if (y4m_) EncodeY4m422Packed(frame, layout, out.y4m);
  if (encoded_) encoded_->Convert(frame, layout, out.video);
  if (!options_.pngFolder.empty()) {
    out.rgba.resize(size_t{layout.width} * layout.height * 4);
    PackedRgbaScratch scratch;
    UnpackRgba(frame, layout, layout.width, out.rgba.data(), scratch);
    out.png = EncodePng(out.rgba.data(), static_cast<int>(layout.width), static_cast<int>(layout.height), 4);
  }
  out.thumbnail.reset();
  if (sheet_ && sheet_->Shows(index)) out.thumbnail = sheet_->Thumbnail(UnpackPicture(frame, layout));
}

void FrameOutputs::Write(uint32_t index, EncodedFrame& frame) {
  if (y4m_ && std::fwrite(frame.y4m.data(), 1, frame.y4m.size(), y4m_) != frame.y4m.size()) {
    throw MediaError("cannot write " + (options_.y4mPath == "-" ? std::string("standard output") : options_.y4mPath));
  }
  if (encoded_) encoded_->Write(index, frame.video);
  if (!options_.pngFolder.empty()) WriteFileAtomically(PngPath(index), frame.png);
  if (sheet_ && frame.thumbnail) sheet_->Add(index, std::move(*frame.thumbnail));
}

void FrameOutputs::Finish() {
  if (encoded_) encoded_->Finish();
  if (y4m_) {
    const bool flushed = std::fflush(y4m_) == 0;
    const bool closed = y4m_ == stdout || std::fclose(y4m_) == 0;
    y4m_ = nullptr;
    if (!flushed || !closed) throw MediaError("cannot write " + options_.y4mPath);
  }
  if (sheet_) WriteFileAtomically(options_.sheetPath, sheet_->EncodePng());
}

}  // namespace kavro
