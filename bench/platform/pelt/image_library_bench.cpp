// Decoding 1920 x 1080 8-bit mask frames and scaling frames between the
// usual video sizes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "masks/Pelt.h"
#include "platform/module_services/ModuleServices.h"
#include "platform/pelt/PeltTuning.h"
#include "tools/maskgen/PngCodec.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrames = 8;

double SmoothStep(double edge0, double edge1, double x) {
  double t = std::fmin(1.0, std::fmax(0.0, (x - edge0) / (edge1 - edge0)));
  return t * t * (3 - 2 * t);
}

// A frame of a wipe as the shipped masks look: growing soft-edged discs over
// a soft diagonal band, no noise. t runs from 0 to 1.
std::vector<unsigned char> MaskFrame(double t) {
  struct Disc {
    double x, y, speed;
  } discs[] = {{0.2, 0.3, 1.0}, {0.7, 0.6, 0.8}, {0.45, 0.8, 1.2}, {0.85, 0.15, 0.9}};
  std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double band = SmoothStep(-60, 60, (x + 0.6 * y) - t * (kWidth + 0.6 * kHeight));
      double value = 1 - band;
      for (const Disc& d : discs) {
        double distance = std::hypot(x - d.x * kWidth, y - d.y * kHeight);
        double radius = t * d.speed * 700;
        value = std::fmax(value, 1 - SmoothStep(radius - 24, radius + 24, distance));
      }
      pixels[static_cast<size_t>(y) * kWidth + x] = static_cast<unsigned char>(std::lround(255 * value));
    }
  }
  return pixels;
}

// Encoded as the shipped frames are.
std::vector<unsigned char> EncodePng(const std::vector<unsigned char>& pixels) {
  return maskgen::EncodeGrayPng(pixels.data(), kWidth, kHeight, maskgen::PngSettings());
}

const std::vector<std::vector<unsigned char>>& EncodedFrames() {
  static const std::vector<std::vector<unsigned char>> frames = [] {
    std::vector<std::vector<unsigned char>> all;
    for (int i = 0; i < kFrames; ++i) all.push_back(EncodePng(MaskFrame((i + 0.5) / kFrames)));
    return all;
  }();
  return frames;
}

// Decodes the frames in turn as the mask source does: choose the decoder,
// open, read, close, delete.
void DecodeInTurn(benchmark::State& state, const std::vector<std::vector<unsigned char>>& frames) {
  TImageGenerator::AddExtendSupportFormat(TImagePNG());
  size_t encodedBytes = 0;
  for (const auto& f : frames) encodedBytes += f.size();
  if (frames.empty()) {
    state.SkipWithError("no frames");
    return;
  }
  size_t next = 0;
  for (auto _ : state) {
    const auto& bytes = frames[next++ % frames.size()];
    std::unique_ptr<TImage> image(
        TImageGenerator::CreateInstance(bytes.data(), static_cast<unsigned long>(bytes.size()), -1));
    if (!image || image->Open(bytes.data(), kPeltSourceMemory, static_cast<unsigned long>(bytes.size()), 0) < 0 ||
        image->Read(0) < 0 || image->GetBitCount() != 8) {
      state.SkipWithError("decoding failed");
      break;
    }
    image->Close();
    benchmark::DoNotOptimize(image->GetBits());
  }
  state.counters["png_bytes_per_frame"] = static_cast<double>(encodedBytes) / frames.size();
  state.SetItemsProcessed(state.iterations());
}

void BM_DecodePngMaskFrame(benchmark::State& state) { DecodeInTurn(state, EncodedFrames()); }
BENCHMARK(BM_DecodePngMaskFrame)->Unit(benchmark::kMillisecond);

// Every frame of the shipped resource module, as rendering walks through them.
const std::vector<std::vector<unsigned char>>& ShippedFrames() {
  static const std::vector<std::vector<unsigned char>> frames = [] {
    std::vector<std::vector<unsigned char>> all;
    HMODULE module = LoadLibraryExW(KIV_SHIPPED_MASKS, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    for (uint32_t id = 10000; module && id <= 10900; ++id) {
      HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
      if (!resource) continue;
      const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
      all.emplace_back(data, data + SizeofResource(module, resource));
    }
    if (module) FreeLibrary(module);
    return all;
  }();
  return frames;
}

void BM_DecodeShippedMaskFrames(benchmark::State& state) { DecodeInTurn(state, ShippedFrames()); }
BENCHMARK(BM_DecodeShippedMaskFrames)->Unit(benchmark::kMillisecond)->Iterations(899);

// The same through libspng alone, as every frame was decoded before the plain path.
void BM_DecodeShippedMaskFramesGeneralPath(benchmark::State& state) {
  const PELT_PNG_PATHS previous = PeltSetPngPaths(PELT_PNG_GENERAL_ONLY);
  DecodeInTurn(state, ShippedFrames());
  PeltSetPngPaths(previous);
}
BENCHMARK(BM_DecodeShippedMaskFramesGeneralPath)->Unit(benchmark::kMillisecond)->Iterations(899);

// The yardstick: a memcpy of as many bytes as the benchmark's result holds.
void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(1));
  std::vector<unsigned char> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
// A decoded mask frame, and the three fitted sizes.
BENCHMARK(BM_Memcpy)
    ->Args({1920, 1080})
    ->Args({1280, 720})
    ->Args({3840, 2160})
    ->ArgNames({"w", "h"})
    ->Unit(benchmark::kMillisecond);

void Resize(benchmark::State& state) {
  const long fromWidth = state.range(0), fromHeight = state.range(1);
  const long toWidth = state.range(2), toHeight = state.range(3);
  TImage source;
  source.Create(fromWidth, fromHeight, pf8bit, 0);
  for (long y = 0; y < fromHeight; ++y) {
    for (long x = 0; x < fromWidth; ++x) {
      source.GetBits()[y * source.GetWidthBytes() + x] = static_cast<unsigned char>((x * 255 / fromWidth + y) & 0xFF);
    }
  }
  TImage image;
  for (auto _ : state) {
    state.PauseTiming();
    image.Create(fromWidth, fromHeight, pf8bit, 0);
    std::memcpy(image.GetBits(), source.GetBits(), static_cast<size_t>(source.GetSize()));
    state.ResumeTiming();
    if (TEffectImage::Resize(image, toWidth, toHeight) < 0) {
      state.SkipWithError("resize failed");
      break;
    }
    benchmark::DoNotOptimize(image.GetBits());
  }
  state.SetItemsProcessed(state.iterations());
}

// At the CPU's best level, as the plug-in resizes.
void BM_Resize(benchmark::State& state) { Resize(state); }
BENCHMARK(BM_Resize)
    ->Args({1920, 1080, 1280, 720})
    ->Args({1920, 1080, 3840, 2160})
    ->Args({1440, 1080, 1920, 1080})
    ->Args({640, 360, 1920, 1080})
    ->ArgNames({"from_w", "from_h", "to_w", "to_h"})
    ->Unit(benchmark::kMillisecond);

// Each level of the resizer's rows, shrinking and enlarging.
void ResizeAtLevel(benchmark::State& state, CPU_LEVEL level) {
  if (PeltSetCpuLevelLimit(level) != level) {
    state.SkipWithError("this CPU lacks the level");
  } else {
    Resize(state);
  }
  PeltSetCpuLevelLimit(kHighestCpuLevel);
}
#define PELT_RESIZE_AT(level, name)                    \
  BENCHMARK_CAPTURE(ResizeAtLevel, name, level)        \
      ->Args({1920, 1080, 1280, 720})                  \
      ->Args({1920, 1080, 3840, 2160})                 \
      ->ArgNames({"from_w", "from_h", "to_w", "to_h"}) \
      ->Unit(benchmark::kMillisecond)
PELT_RESIZE_AT(CPU_LEVEL_BASELINE, reference);
PELT_RESIZE_AT(CPU_LEVEL_SSE2, sse2);
PELT_RESIZE_AT(CPU_LEVEL_AVX2, avx2);

}  // namespace

BENCHMARK_MAIN();
