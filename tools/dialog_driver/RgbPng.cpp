#include "RgbPng.h"

#include <spng.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>

bool WriteRgbPng(const std::wstring& path, const RgbPicture& picture, std::string& error) {
  if (picture.width <= 0 || picture.height <= 0) {
    error = "nothing was captured";
    return false;
  }
  std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
  if (!context) {
    error = "out of memory";
    return false;
  }
  spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(picture.width);
  header.height = static_cast<uint32_t>(picture.height);
  header.bit_depth = 8;
  header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
  spng_set_ihdr(context.get(), &header);
  int result = spng_encode_image(context.get(), picture.pixels.data(), picture.pixels.size(), SPNG_FMT_PNG,
                                 SPNG_ENCODE_FINALIZE);
  if (result != 0) {
    error = spng_strerror(result);
    return false;
  }
  size_t size = 0;
  std::unique_ptr<void, void (*)(void*)> bytes(spng_get_png_buffer(context.get(), &size, &result), free);
  if (!bytes) {
    error = spng_strerror(result);
    return false;
  }
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) {
    error = "cannot create the file";
    return false;
  }
  const bool written = fwrite(bytes.get(), 1, size, file) == size;
  if (fclose(file) != 0 || !written) {
    error = "cannot write the file";
    return false;
  }
  return true;
}
