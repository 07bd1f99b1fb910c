// Draws every frame of the shipped mask animations and writes them as PNGs
// with a resource manifest.
//
// Usage: kiv_maskgen --out DIR [--size WIDTHxHEIGHT] [--threads N]
//                    [--level 0-12] [--filter none|sub|up|average|paeth]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

#include "FrameSet.h"

namespace {

const char kUsage[] =
    "usage: kiv_maskgen --out DIR [--size WIDTHxHEIGHT] [--threads N] [--level 0-12]\n"
    "                   [--filter none|sub|up|average|paeth]\n";

bool ParseInt(const std::string& text, long low, long high, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  size_t x = text.find('x');
  return x != std::string::npos && ParseInt(text.substr(0, x), 16, 16384, width) &&
         ParseInt(text.substr(x + 1), 16, 16384, height);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kiv_maskgen: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  maskgen::FrameSetOptions options;
  options.threads = static_cast<int>(std::thread::hardware_concurrency());
  if (options.threads < 1) options.threads = 2;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) return Fail(option.rfind("--", 0) == 0 ? option + " needs a value" : "unexpected " + option);
    std::string value = argv[++i];
    if (option == "--out") {
      out = value;
    } else if (option == "--size") {
      if (!ParseSize(value, options.width, options.height)) return Fail("bad size '" + value + "' (16..16384 each)");
    } else if (option == "--threads") {
      if (!ParseInt(value, 1, 64, options.threads)) return Fail("bad thread count '" + value + "' (1..64)");
    } else if (option == "--level") {
      if (!ParseInt(value, 0, 12, options.png.level)) return Fail("bad compression level '" + value + "' (0..12)");
    } else if (option == "--filter") {
      if (!maskgen::ParseFilter(value, options.png.filter)) return Fail("unknown filter '" + value + "'");
    } else {
      return Fail("unknown option " + option);
    }
  }
  if (out.empty()) return Fail("--out is required");

  auto started = std::chrono::steady_clock::now();
  try {
    maskgen::FrameSetSummary summary = maskgen::WriteFrameSet(out, options);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("kiv_maskgen: %zu frames of %dx%d, %.1f MB, %.1f s on %d threads\n", summary.frames, options.width,
                options.height, summary.bytes / 1e6, seconds, options.threads);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kiv_maskgen: %s\n", error.what());
    return 1;
  }
  return 0;
}
