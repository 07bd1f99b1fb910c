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

// Fast enough for a folder of full-HD frames, still well compressed.
constexpr int kCompressionLevel = 3;

}  // namespace

RgbaImage DecodePng(const uint8_t* data, size_t size, const std::string& name) {
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
  RgbaImage image(static_cast<int>(header.width), static_cast<int>(header.height));
  check(spng_decode_image(context.get(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS));
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
