#include "PngCodec.h"

#include <spng.h>
#include <zlib.h>

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

bool ParseFilterChoice(const std::string& name, int& filters) {
  if (name == "none")
    filters = SPNG_FILTER_CHOICE_NONE;
  else if (name == "sub")
    filters = SPNG_FILTER_CHOICE_SUB;
  else if (name == "up")
    filters = SPNG_FILTER_CHOICE_UP;
  else if (name == "average")
    filters = SPNG_FILTER_CHOICE_AVG;
  else if (name == "paeth")
    filters = SPNG_FILTER_CHOICE_PAETH;
  else if (name == "adaptive")
    filters = SPNG_FILTER_CHOICE_ALL;
  else
    return false;
  return true;
}

bool ParseStrategy(const std::string& name, int& strategy) {
  if (name == "default")
    strategy = Z_DEFAULT_STRATEGY;
  else if (name == "filtered")
    strategy = Z_FILTERED;
  else if (name == "rle")
    strategy = Z_RLE;
  else if (name == "huffman")
    strategy = Z_HUFFMAN_ONLY;
  else
    return false;
  return true;
}

std::vector<uint8_t> EncodeGrayPng(const uint8_t* pixels, int width, int height, const PngSettings& settings) {
  Context context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) throw std::runtime_error("cannot create a PNG encoder");
  Check(spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1), "PNG encoder");
  Check(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, settings.level), "compression level");
  Check(spng_set_option(context.get(), SPNG_FILTER_CHOICE, settings.filters), "filter choice");
  Check(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_STRATEGY, settings.strategy), "compression strategy");
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = 8;
  header.color_type = SPNG_COLOR_TYPE_GRAYSCALE;
  Check(spng_set_ihdr(context.get(), &header), "PNG header");
  size_t size = static_cast<size_t>(width) * height;
  Check(spng_encode_image(context.get(), pixels, size, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), "PNG encoding");
  int error = 0;
  size_t length = 0;
  std::unique_ptr<void, decltype(&std::free)> png(spng_get_png_buffer(context.get(), &length, &error), &std::free);
  Check(error, "PNG buffer");
  const auto* bytes = static_cast<const uint8_t*>(png.get());
  return std::vector<uint8_t>(bytes, bytes + length);
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
