// Writes a small gray PNG for tests: make_test_png OUT.png WIDTH HEIGHT LEVEL
#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ParseNumber(const char* text, unsigned long max, unsigned long& value) {
  char* end = nullptr;
  value = std::strtoul(text, &end, 10);
  return end != text && *end == '\0' && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long width = 0, height = 0, level = 0;
  if (argc != 5 || !ParseNumber(argv[2], 65535, width) || width == 0 || !ParseNumber(argv[3], 65535, height) ||
      height == 0 || !ParseNumber(argv[4], 255, level)) {
    std::fprintf(stderr, "usage: make_test_png OUT.png WIDTH HEIGHT LEVEL (1..65535, 1..65535, 0..255)\n");
    return 2;
  }
  std::vector<unsigned char> pixels(width * height, static_cast<unsigned char>(level));

  spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = 8;
  header.color_type = SPNG_COLOR_TYPE_GRAYSCALE;
  spng_set_ihdr(context, &header);
  int error = spng_encode_image(context, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  size_t size = 0;
  void* png = error ? nullptr : spng_get_png_buffer(context, &size, &error);
  spng_ctx_free(context);
  if (!png) {
    std::fprintf(stderr, "make_test_png: encoding failed: %s\n", spng_strerror(error));
    return 1;
  }

  FILE* out = std::fopen(argv[1], "wb");
  bool written = out && std::fwrite(png, 1, size, out) == size;
  if (out && std::fclose(out) != 0) written = false;
  std::free(png);
  if (!written) {
    std::fprintf(stderr, "make_test_png: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
