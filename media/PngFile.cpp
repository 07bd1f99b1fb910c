#include "PngFile.h"

#include <spng.h>

#include <cstdlib>
#include <memory>

namespace kavro {

namespace {

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

// A decoder over a PNG in memory, its header read and its size held to the
// limits; every failure names the file.
class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, const std::string& name, spng_ihdr& header)
      : context_(spng_ctx_new(0)), name_(name) {
    if (!context_) throw MediaError(name + ": cannot start a PNG decoder");
    Check(spng_set_image_limits(context_.get(), kMaxDimension, kMaxDimension));
    Check(spng_set_png_buffer(context_.get(), data, size));
    Check(spng_get_ihdr(context_.get(), &header));
    CheckPictureSize(header.width, header.height, name.c_str());
  }
  spng_ctx* context() const { return context_.get(); }
  void Check(int error) const {
    if (error) throw MediaError(name_ + ": not a readable PNG (" + spng_strerror(error) + ")");
  }

 private:
  Context context_;
  const std::string& name_;
};

// 16 bits to 8, to nearest.
inline uint8_t Round16(uint32_t value) { return static_cast<uint8_t>((value * 255 + 32767) / 65535); }

// Full-range BT.709 luma of 16-bit R', G', B' (Kr 0.2126, Kb 0.0722 in units
// of 1/65536, summing to 65536 so that a gray gives exactly its level).
inline uint32_t Luma16(uint32_t r, uint32_t g, uint32_t b) { return (13933 * r + 46871 * g + 4732 * b + 32768) >> 16; }

// Fast enough for a folder of full-HD frames, still well compressed.
constexpr int kCompressionLevel = 3;

}  // namespace

RgbaImage DecodePng(const uint8_t* data, size_t size, const std::string& name) {
  spng_ihdr header = {};
  Decoder decoder(data, size, name, header);
  RgbaImage image(static_cast<int>(header.width), static_cast<int>(header.height));
  decoder.Check(
      spng_decode_image(decoder.context(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS));
  return image;
}

GrayImage DecodePngGray(const uint8_t* data, size_t size, const std::string& name) {
  spng_ihdr header = {};
  Decoder decoder(data, size, name, header);
  GrayImage image;
  image.width = static_cast<int>(header.width);
  image.height = static_cast<int>(header.height);
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  // The common matte, 8-bit gray, as it is stored; every other kind through
  // 16-bit RGBA, which libspng scales up exactly from any depth and palette.
  if (header.color_type == SPNG_COLOR_TYPE_GRAYSCALE && header.bit_depth == 8) {
    image.pixels.resize(pixels);
    decoder.Check(spng_decode_image(decoder.context(), image.pixels.data(), pixels, SPNG_FMT_PNG, 0));
    return image;
  }
  std::vector<uint16_t> rgba(pixels * 4);
  decoder.Check(spng_decode_image(decoder.context(), rgba.data(), rgba.size() * 2, SPNG_FMT_RGBA16, 0));
  image.pixels.resize(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    const uint16_t* p = &rgba[4 * i];
    image.pixels[i] = Round16(Luma16(p[0], p[1], p[2]));
  }
  return image;
}

std::vector<uint8_t> EncodePng(const uint8_t* pixels, int width, int height, int channels) {
  Context context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) throw MediaError("cannot start a PNG encoder");
  auto check = [](int error) {
    if (error) throw MediaError(std::string("PNG encoding failed: ") + spng_strerror(error));
  };
  check(spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1));
  check(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, kCompressionLevel));
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = 8;
  header.color_type = channels == 4 ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
  check(spng_set_ihdr(context.get(), &header));
  const size_t bytes = static_cast<size_t>(width) * height * channels;
  check(spng_encode_image(context.get(), pixels, bytes, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));
  int error = 0;
  size_t length = 0;
  std::unique_ptr<void, decltype(&std::free)> png(spng_get_png_buffer(context.get(), &length, &error), &std::free);
  check(error);
  const auto* begin = static_cast<const uint8_t*>(png.get());
  return std::vector<uint8_t>(begin, begin + length);
}

}  // namespace kavro
