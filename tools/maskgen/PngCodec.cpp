#include "PngCodec.h"

#include "tools/png_writer/GrayPngWriter.h"

#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace maskgen {

namespace {

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

void Check(int error, const char* what) {
  if (error) throw std::runtime_error(std::string(what) + ": " + spng_strerror(error));
}

}  // namespace

bool ParseFilter(const std::string& name, int& filter) {
  static const char* const kNames[] = {"none", "sub", "up", "average", "paeth"};
  for (int i = 0; i < 5; ++i) {
    if (name == kNames[i]) {
      filter = i;
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> EncodeGrayPng(const uint8_t* pixels, int width, int height, const PngSettings& settings) {
  if (width <= 0 || height <= 0 || settings.filter < 0 || settings.filter > 4) {
    throw std::runtime_error("cannot encode that picture");
  }
  const auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
  const std::vector<uint8_t> rows = pngwriter::FilterRows(pixels, w, h, {static_cast<uint8_t>(settings.filter)});
  return pngwriter::GrayPng(w, h, pngwriter::ZlibStream(rows, settings.level));
}

DecodedImage DecodeGrayPng(const void* data, size_t size) {
  Context context(spng_ctx_new(0));
  if (!context) throw std::runtime_error("cannot create a PNG decoder");
  Check(spng_set_png_buffer(context.get(), data, size), "PNG input");
  spng_ihdr header = {};
  Check(spng_get_ihdr(context.get(), &header), "PNG header");
  DecodedImage image;
  image.width = header.width;
  image.height = header.height;
  image.bitDepth = header.bit_depth;
  image.colorType = header.color_type;
  size_t length = 0;
  Check(spng_decoded_image_size(context.get(), SPNG_FMT_G8, &length), "PNG size");
  image.pixels.resize(length);
  Check(spng_decode_image(context.get(), image.pixels.data(), length, SPNG_FMT_G8, 0), "PNG decoding");
  return image;
}

void WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  std::string temporary = path + ".part";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  bool written = out && std::fwrite(data, 1, size, out) == size;
  if (out && std::fclose(out) != 0) written = false;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw std::runtime_error("cannot write " + path);
  }
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<uint8_t> bytes;
  uint8_t buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) throw std::runtime_error("cannot read " + path);
  return bytes;
}

}  // namespace maskgen
