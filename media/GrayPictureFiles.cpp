#include "GrayPictureFiles.h"

#include <spng.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "FileBytes.h"
#include "Picture.h"

namespace kavro {

namespace {

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// 16 bits to 8, to nearest.
inline uint8_t Round16(uint32_t value) { return static_cast<uint8_t>((value * 255 + 32767) / 65535); }

// Full-range BT.709 luma of 16-bit R', G', B' (Kr 0.2126, Kb 0.0722 in units
// of 1/65536, summing to 65536 so that a gray gives exactly its level).
inline uint32_t Luma16(uint32_t r, uint32_t g, uint32_t b) { return (13933 * r + 46871 * g + 4732 * b + 32768) >> 16; }

GrayImage DecodePngGray(const uint8_t* data, size_t size, const std::string& name) {
  Context context(spng_ctx_new(0));
  if (!context) throw MediaError(name + ": cannot start a PNG decoder");
  auto check = [&](int error) {
    if (error) throw MediaError(name + ": not a readable PNG (" + spng_strerror(error) + ")");
  };
  check(spng_set_image_limits(context.get(), kMaxDimension, kMaxDimension));
  check(spng_set_png_buffer(context.get(), data, size));
  spng_ihdr header = {};
  check(spng_get_ihdr(context.get(), &header));
  CheckPictureSize(header.width, header.height, name.c_str());
  GrayImage image;
  image.width = static_cast<int>(header.width);
  image.height = static_cast<int>(header.height);
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  // The common matte, 8-bit gray, as it is stored; every other kind through
  // 16-bit RGBA, which libspng scales up exactly from any depth and palette.
  if (header.color_type == SPNG_COLOR_TYPE_GRAYSCALE && header.bit_depth == 8) {
    image.pixels.resize(pixels);
    check(spng_decode_image(context.get(), image.pixels.data(), pixels, SPNG_FMT_PNG, 0));
    return image;
  }
  std::vector<uint16_t> rgba(pixels * 4);
  check(spng_decode_image(context.get(), rgba.data(), rgba.size() * 2, SPNG_FMT_RGBA16, 0));
  image.pixels.resize(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    const uint16_t* p = &rgba[4 * i];
    image.pixels[i] = Round16(Luma16(p[0], p[1], p[2]));
  }
  return image;
}

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
