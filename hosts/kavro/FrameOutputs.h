// Where rendered frames go: a YUV4MPEG2 file or standard output, an encoded
// file (where kavro links FFmpeg's libraries), a folder of RGBA PNGs, a
// contact sheet. Frames are encoded on the rendering threads and
// written in order by one thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ContactSheet.h"
#include "OutputFile.h"
#include "media/PackedFrame.h"
#include "media/Y4m.h"
#include "media/av/EncodedOutput.h"

namespace kavro {

struct OutputOptions {
  std::string y4mPath;  // "-": standard output; not *.y4m: an encoded file
  EncodingOptions encoding;
  std::string pngFolder;
  std::string sheetPath;
  uint32_t sheetEvery = 0;
};

// One frame's outputs. Kept from frame to frame, so the buffers grow once.
struct EncodedFrame {
  std::vector<uint8_t> y4m;
  std::vector<uint8_t> video;  // the frame in the encoder's pixel format
  std::vector<uint8_t> rgba;   // the pixels the PNG is encoded from
  std::vector<uint8_t> png;
  std::optional<Picture> thumbnail;
};

class FrameOutputs {
 public:
  // Opens the YUV4MPEG2 output and writes its header, creates the PNG
  // folder. Throws MediaError.
  FrameOutputs(const OutputOptions& options, const Y4mFormat& header, uint32_t frames);
  ~FrameOutputs();
  FrameOutputs(const FrameOutputs&) = delete;
  FrameOutputs& operator=(const FrameOutputs&) = delete;

  // Any thread.
  void Encode(uint32_t index, const uint8_t* frame, const PackedLayout& layout, EncodedFrame& out) const;
  // One thread, frames in order. Throws MediaError.
  void Write(uint32_t index, EncodedFrame& frame);
  // Of the `written` frames, those that are out: an encoded output's frames
  // whose packets came out of its encoder, every one otherwise.
  uint32_t FramesOut(uint32_t written) const;
  // After the last frame: drains the encoders, telling `progress` of the
  // frames still coming out of them, writes the contact sheet, closes the
  // outputs.
  void Finish(const std::function<void(uint32_t)>& progress = {});
  // After a failed render or Finish: of the `written` frames, those the
  // output holds. An encoded output is closed and its file read back.
  uint32_t FramesInFile(uint32_t written);
  bool encodes() const { return encoded_ != nullptr; }
  // What kavro says once before the render about the encoded output's
  // options (EncodedOutput::notes).
  const std::vector<std::string>& notes() const;

  std::string PngPath(uint32_t index) const;

 private:
  OutputOptions options_;
  uint32_t frames_;
  std::unique_ptr<OutputFile> y4m_;
  std::unique_ptr<ContactSheet> sheet_;
  std::unique_ptr<EncodedOutput> encoded_;
};

// True for an output kavro writes as YUV4MPEG2 itself: "-" or a .y4m name,
// in any case.
bool IsY4mOutputName(const std::string& path);

}  // namespace kavro
