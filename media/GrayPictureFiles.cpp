#include "GrayPictureFiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "FileBytes.h"
#include "Picture.h"
#include "PngFile.h"

namespace kavro {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// "P5 width height maxval" and one whitespace byte, with # comments between
// the fields; samples of two bytes, most significant first, past a maxval of 255.
GrayImage DecodePgm(const uint8_t* data, size_t size, const std::string& name) {
  size_t at = 2;
  auto field = [&]() -> uint64_t {
    for (;;) {
      while (at < size && std::isspace(data[at])) ++at;
      if (at < size && data[at] == '#') {
        while (at < size && data[at] != '\n') ++at;
        continue;
      }
      break;
    }
    uint64_t value = 0;
    const size_t start = at;
    while (at < size && std::isdigit(data[at]) && value < (uint64_t{1} << 32)) value = value * 10 + (data[at++] - '0');
    if (at == start) throw MediaError(name + ": not a readable PGM (a header field is missing)");
    return value;
  };
  const uint64_t width = field(), height = field(), maxval = field();
  if (at >= size || !std::isspace(data[at])) throw MediaError(name + ": not a readable PGM (bad header)");
  ++at;
  if (maxval == 0 || maxval > 65535)
    throw MediaError(name + ": not a readable PGM (maxval " + std::to_string(maxval) + ")");
  CheckPictureSize(static_cast<int64_t>(std::min<uint64_t>(width, INT64_MAX)),
                   static_cast<int64_t>(std::min<uint64_t>(height, INT64_MAX)), name.c_str());
  const size_t bytesPerSample = maxval > 255 ? 2 : 1;
  const size_t pixels = static_cast<size_t>(width * height);
  if (size - at < pixels * bytesPerSample) throw MediaError(name + ": not a readable PGM (cut short)");
  GrayImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(pixels);
  const uint8_t* samples = data + at;
  for (size_t i = 0; i < pixels; ++i) {
    uint32_t value = bytesPerSample == 2 ? uint32_t{samples[2 * i]} << 8 | samples[2 * i + 1] : samples[i];
    if (value > maxval) value = static_cast<uint32_t>(maxval);
    image.pixels[i] = static_cast<uint8_t>((value * 255 + maxval / 2) / maxval);
  }
  return image;
}

}  // namespace

bool LooksLikeGrayPicture(const uint8_t* data, size_t size) {
  if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return true;
  return size >= 3 && data[0] == 'P' && data[1] == '5' && std::isspace(data[2]);
}

GrayImage DecodeGrayPicture(const uint8_t* data, size_t size, const std::string& name) {
  if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return DecodePngGray(data, size, name);
  if (LooksLikeGrayPicture(data, size)) return DecodePgm(data, size, name);
  throw MediaError(name + ": not a PNG or PGM picture");
}

GrayImage ReadGrayPicture(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return DecodeGrayPicture(bytes.data(), bytes.size(), path);
}

}  // namespace kavro
