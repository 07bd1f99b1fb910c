// A matte's frames from picture files: one still, a folder of PNG files in
// name order, or a printf pattern ("m_%03d.png"). Frames are decoded when
// asked for; the last few are kept for the threads that ask for them again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GrayFrames.h"

namespace kavro {

// Whether the path holds one printf number ("%d", "%04d"; "%%" is a percent
// sign) and nothing else printf would expand.
bool IsSequencePattern(const std::string& path);

// The files of a pattern: the first number that exists from 0 to 4 on, then
// every next one while it exists. Empty when none does.
std::vector<std::string> PatternFiles(const std::string& pattern);

// The folder's PNG files (by extension, any case) in byte order of their names.
// Throws MediaError when the folder cannot be read.
std::vector<std::string> FolderPngFiles(const std::string& folder);

// A file's bytes to its weights, given the file's name for messages. Throws MediaError.
using GrayDecoder = std::function<GrayImage(const std::vector<uint8_t>& bytes, const std::string& name)>;

// The frames of these files, in this order, decoded by `decode`
// (DecodeGrayPicture when empty); the first is decoded here, so a picture
// that cannot be read is said at once. Throws MediaError (no files, the
// first not a picture, a size past the limits).
std::unique_ptr<GrayFrames> OpenGraySequence(const std::string& name, std::vector<std::string> files,
                                             GrayDecoder decode = {});

}  // namespace kavro
