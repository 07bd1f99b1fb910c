// Measures what the PNG settings cost: for a sample of mask frames at full
// size, the encoded size and the libspng decoding time per frame under each
// compression level, filter choice and zlib strategy considered.
//
// Usage: kiv_mask_decode_measure [--every N] [--repeats N] [--frames DIR]
// With --frames, the sample is read from frames kiv_maskgen wrote instead of
// being drawn again.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Masks.h"
#include "Parallel.h"
#include "PngCodec.h"

namespace {

const char kUsage[] = "usage: kiv_mask_decode_measure [--every N] [--repeats N] [--frames DIR]\n";

bool ParseCount(const std::string& text, int& value) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1 || n > 1000) return false;
  value = static_cast<int>(n);
  return true;
}

struct Candidate {
  const char* filter;
  const char* strategy;
  int level;
};

}  // namespace

int main(int argc, char** argv) {
  int every = 16, repeats = 3;
  std::string framesDir;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::string value = i + 1 < argc ? argv[++i] : "";
    bool ok = (option == "--every" && ParseCount(value, every)) ||
              (option == "--repeats" && ParseCount(value, repeats)) ||
              (option == "--frames" && !(framesDir = value).empty());
    if (!ok) {
      std::fprintf(stderr, "kiv_mask_decode_measure: bad option %s %s\n%s", option.c_str(), value.c_str(), kUsage);
      return 2;
    }
  }
  try {
    const uint32_t width = 1920, height = 1080;
    int threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::vector<uint8_t>> frames;
    size_t total = 0;
    for (size_t m = 0; m < maskgen::MaskCatalogue().size(); ++m) {
      const maskgen::MaskInfo& mask = maskgen::MaskCatalogue()[m];
      if (!framesDir.empty()) {
        for (int f = 0; f < mask.frameCount; f += every) {
          char name[32];
          std::snprintf(name, sizeof name, "/%03d.png", f);
          std::vector<uint8_t> png = maskgen::ReadFile(framesDir + "/" + mask.key + name);
          maskgen::DecodedImage image = maskgen::DecodeGrayPng(png.data(), png.size());
          if (image.width != width || image.height != height) throw std::runtime_error("frames are not 1920x1080");
          frames.push_back(std::move(image.pixels));
        }
        total += static_cast<size_t>(mask.frameCount);
        continue;
      }
      maskgen::RevealAnimation animation = maskgen::BuildMask(m, width, height, threads);
      for (int f = 0; f < animation.frameCount(); ++f) {
        ++total;
        if (f % every != 0) continue;
        frames.emplace_back(static_cast<size_t>(width) * height);
        animation.RenderFrame(f, frames.back().data());
      }
    }
    std::printf("%zu of %zu frames at %ux%u, best of %d decodes each\n", frames.size(), total, width, height, repeats);
    std::printf("%-9s %-9s %5s %12s %14s %14s %14s\n", "filter", "strategy", "level", "KB/frame", "module MB",
                "encode ms", "decode ms");
    const std::vector<Candidate> candidates = {
        {"none", "default", 1}, {"none", "default", 2},  {"none", "default", 3},     {"none", "default", 4},
        {"none", "default", 6}, {"none", "default", 9},  {"none", "rle", 1},         {"sub", "default", 6},
        {"up", "default", 6},   {"paeth", "default", 6}, {"adaptive", "default", 6},
    };
    for (const Candidate& candidate : candidates) {
      maskgen::PngSettings settings;
      settings.level = candidate.level;
      maskgen::ParseFilterChoice(candidate.filter, settings.filters);
      maskgen::ParseStrategy(candidate.strategy, settings.strategy);
      std::vector<std::vector<uint8_t>> encoded(frames.size());
      auto started = std::chrono::steady_clock::now();
      maskgen::ParallelFor(static_cast<int>(frames.size()), threads, [&](int i) {
        encoded[i] = maskgen::EncodeGrayPng(frames[i].data(), width, height, settings);
      });
      double encodeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count() *
                        threads / frames.size();
      size_t bytes = 0;
      double decodeMs = 0.0;
      // One thread, so the figure is what a renderer thread pays per frame.
      for (size_t i = 0; i < frames.size(); ++i) {
        bytes += encoded[i].size();
        double best = 1e9;
        for (int r = 0; r < repeats; ++r) {
          auto start = std::chrono::steady_clock::now();
          maskgen::DecodedImage image = maskgen::DecodeGrayPng(encoded[i].data(), encoded[i].size());
          best = std::min(best,
                          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
          if (image.pixels != frames[i]) throw std::runtime_error("decoded frame differs from the original");
        }
        decodeMs += best;
      }
      double perFrame = static_cast<double>(bytes) / frames.size();
      std::printf("%-9s %-9s %5d %12.1f %14.1f %14.2f %14.2f\n", candidate.filter, candidate.strategy, candidate.level,
                  perFrame / 1024.0, perFrame * total / 1e6, encodeMs, decodeMs / frames.size());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kiv_mask_decode_measure: %s\n", error.what());
    return 1;
  }
  return 0;
}
