#include "FrameOutputs.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "StaleFrames.h"
#include "media/FileBytes.h"
#include "media/PackedRgba.h"
#include "media/PngFile.h"
#include "media/Y4mPacked.h"

namespace kavro {

FrameOutputs::FrameOutputs(const OutputOptions& options, const Y4mFormat& header, uint32_t frames)
    : options_(options), frames_(frames) {
  // What an encoder or its container cannot take fails before any file is made.
  if (!options_.y4mPath.empty() && !IsY4mOutputName(options_.y4mPath)) {
#ifdef KAVRO_HAVE_AV
    encoded_ = OpenEncodedOutput(options_.y4mPath, header, frames, options_.encoding);
#else
    throw MediaError(options_.y4mPath + ": this build writes YUV4MPEG2 only");
#endif
  }
  if (!options_.pngFolder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options_.pngFolder, error);
    if (error || !std::filesystem::is_directory(options_.pngFolder)) {
      throw MediaError("cannot create the folder " + options_.pngFolder + (error ? ": " + error.message() : ""));
    }
    // Frames of an earlier, longer render would sit beside the new ones.
    RemoveStaleFrames(options_.pngFolder, [&](const std::string& name) {
      const size_t digits = name.size() - std::string("frame_.png").size();
      const std::string number = name.substr(6, digits);
      const std::string ours = std::filesystem::path(PngPath(0)).filename().string();
      return name.size() == ours.size() && digits <= 18 && std::stoull(number) < frames_;
    });
  }
  if (!options_.sheetPath.empty()) {
    // Written at the end: a path that cannot take it fails before the render.
    CheckWritable(options_.sheetPath);
    sheet_ = std::make_unique<ContactSheet>(frames, options_.sheetEvery, header.width, header.height);
  }
  if (encoded_) {
    encoded_->Begin();
  } else if (!options_.y4mPath.empty()) {
    y4m_ = std::make_unique<OutputFile>(options_.y4mPath);
    const std::string text = FormatY4mHeader(header);
    y4m_->Write(text.data(), text.size());
  }
}

bool IsY4mOutputName(const std::string& path) {
  if (path == "-") return true;
  if (path.size() < 5) return false;
  std::string extension = path.substr(path.size() - 4);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".y4m";
}

FrameOutputs::~FrameOutputs() = default;

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
  if (y4m_) y4m_->Write(frame.y4m.data(), frame.y4m.size());
  if (encoded_) encoded_->Write(index, frame.video);
  if (!options_.pngFolder.empty()) WriteFileAtomically(PngPath(index), frame.png);
  if (sheet_ && frame.thumbnail) sheet_->Add(index, std::move(*frame.thumbnail));
}

const std::vector<std::string>& FrameOutputs::notes() const {
  static const std::vector<std::string> kNone;
  return encoded_ ? encoded_->notes() : kNone;
}

uint32_t FrameOutputs::FramesOut(uint32_t written) const { return encoded_ ? encoded_->framesOut() : written; }

uint32_t FrameOutputs::FramesInFile(uint32_t written) { return encoded_ ? encoded_->FramesInFile() : written; }

void FrameOutputs::Finish(const std::function<void(uint32_t)>& progress) {
  if (encoded_) encoded_->Finish(progress);
  if (y4m_) {
    y4m_->Close();
    y4m_.reset();
  }
  if (sheet_) WriteFileAtomically(options_.sheetPath, sheet_->EncodePng());
}

}  // namespace kavro
