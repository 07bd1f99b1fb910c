// Measures what the PNG settings cost: for a sample of mask frames at full
// size, the encoded size, the encoding time and the whole-buffer inflate
// time per frame (the bulk of the image library's decoding) under each
// libdeflate level and row filter considered.
//
// Usage: kiv_mask_decode_measure [--every N] [--repeats N] [--frames DIR]
// With --frames, the sample is read from frames kiv_maskgen wrote instead of
// being drawn again.
#include <libdeflate.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Masks.h"
#include "Parallel.h"
#include "PngCodec.h"
#include "tools/png_writer/GrayPngWriter.h"

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
    std::printf("%-9s %5s %12s %14s %14s %14s\n", "filter", "level", "KB/frame", "module MB", "encode ms",
                "inflate ms");
    const std::vector<Candidate> candidates = {
        {"none", 1}, {"none", 3}, {"none", 6}, {"none", 9}, {"none", 10}, {"none", 12}, {"up", 9}, {"paeth", 9},
    };
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    for (const Candidate& candidate : candidates) {
      int filter = 0;
      maskgen::ParseFilter(candidate.filter, filter);
      std::vector<std::vector<uint8_t>> rows(frames.size()), streams(frames.size());
      for (size_t i = 0; i < frames.size(); ++i) {
        rows[i] = pngwriter::FilterRows(frames[i].data(), width, height, {static_cast<uint8_t>(filter)});
      }
      auto started = std::chrono::steady_clock::now();
      maskgen::ParallelFor(static_cast<int>(frames.size()), threads,
                           [&](int i) { streams[i] = pngwriter::ZlibStream(rows[i], candidate.level); });
      double encodeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count() *
                        threads / frames.size();
      size_t bytes = 0;
      double decodeMs = 0.0;
      std::vector<uint8_t> inflated(rows.empty() ? 0 : rows[0].size());
      // One thread, so the figure is what a renderer thread pays per frame.
      for (size_t i = 0; i < frames.size(); ++i) {
        bytes += pngwriter::GrayPng(width, height, streams[i]).size();
        double best = 1e9;
        for (int r = 0; r < repeats; ++r) {
          auto start = std::chrono::steady_clock::now();
          size_t produced = 0;
          const libdeflate_result result = libdeflate_zlib_decompress(
              inflater.get(), streams[i].data(), streams[i].size(), inflated.data(), inflated.size(), &produced);
          best = std::min(best,
                          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
          if (result != LIBDEFLATE_SUCCESS || inflated != rows[i]) {
            throw std::runtime_error("inflated frame differs from the original");
          }
        }
        decodeMs += best;
      }
      double perFrame = static_cast<double>(bytes) / frames.size();
      std::printf("%-9s %5d %12.1f %14.1f %14.2f %14.3f\n", candidate.filter, candidate.level, perFrame / 1024.0,
                  perFrame * total / 1e6, encodeMs, decodeMs / frames.size());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kiv_mask_decode_measure: %s\n", error.what());
    return 1;
  }
  return 0;
}
