// Whole frames through the mask blend at every level this CPU has, next to a
// memcpy of the same bytes (the frame with its alpha plane) as the physical
// yardstick. The table at the end gives each level's time as a multiple of
// that memcpy and its speed-up over the reference.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compositing/MaskBlend.h"
#include "platform/cpu/CpuLevel.h"

namespace {

struct Size {
  uint32_t width, height;
};
const Size kSizes[] = {{1280, 720}, {1920, 1080}, {3840, 2160}};

// One frame pair and mask of a size, laid out as the pipeline sees them:
// rows of 2 x width bytes, then the alpha plane (rows of width bytes, room
// reserved for width rounded up to 4), and a bottom-up mask whose rows are
// padded to 4 bytes.
struct Frames {
  explicit Frames(Size size)
      : width(size.width),
        height(size.height),
        mainBytes(2 * size.width * size.height),
        totalBytes(mainBytes + ((size.width + 3) & ~3u) * size.height),
        maskRowBytes((size.width + 3) & ~3u),
        output(totalBytes),
        work(totalBytes),
        mask(maskRowBytes * size.height) {
    std::mt19937 random(2024);
    for (auto* bytes : {&output, &work, &mask}) {
      for (uint8_t& byte : *bytes) byte = static_cast<uint8_t>(random());
    }
  }

  // The pipeline's row loop: frame rows from the top, mask rows from the
  // mask's last row in memory backwards.
  void Blend() {
    uint32_t alphaOffset = mainBytes;
    int32_t maskOffset = static_cast<int32_t>(mask.size() - maskRowBytes);
    for (uint32_t rowOffset = 0; rowOffset < mainBytes; rowOffset += 2 * width) {
      BlendMaskRowYUV422Alpha(output.data(), work.data(), rowOffset, 2 * width, mask.data(), maskOffset, alphaOffset,
                              false);
      alphaOffset += width;
      maskOffset -= static_cast<int32_t>(maskRowBytes);
    }
  }

  uint32_t width, height, mainBytes, totalBytes, maskRowBytes;
  std::vector<uint8_t> output, work, mask;
};

Frames& FramesOf(Size size) {
  static std::map<uint32_t, std::unique_ptr<Frames>> frames;
  std::unique_ptr<Frames>& entry = frames[size.width];
  if (!entry) entry = std::make_unique<Frames>(size);
  return *entry;
}

std::string SizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

void CountPixels(benchmark::State& state, const Frames& frames) {
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(frames.width) * frames.height,
                                                  benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * frames.totalBytes);
}

void BlendFrame(benchmark::State& state, Size size, CPU_LEVEL level) {
  Frames& frames = FramesOf(size);
  if (SetCpuLevelLimit(level) != level) {
    state.SkipWithError("level not available");
    return;
  }
  for (auto _ : state) {
    frames.Blend();
    benchmark::ClobberMemory();
  }
  CountPixels(state, frames);
}

void CopyFrame(benchmark::State& state, Size size) {
  Frames& frames = FramesOf(size);
  for (auto _ : state) {
    std::memcpy(frames.output.data(), frames.work.data(), frames.totalBytes);
    benchmark::ClobberMemory();
  }
  CountPixels(state, frames);
}

// Collects each run's time per frame and prints the ratios once all ran.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      seconds[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-10s %-10s %12s %14s %12s %14s\n", "frame", "level", "ms/frame", "Mpixels/s", "x memcpy",
                "x faster than reference");
    for (const Size size : kSizes) {
      const std::string name = SizeName(size);
      const auto copy = seconds.find("memcpy/" + name);
      if (copy == seconds.end()) continue;
      const double pixels = static_cast<double>(size.width) * size.height;
      std::printf("%-10s %-10s %12.3f %14.1f %12.2f %14s\n", name.c_str(), "memcpy", copy->second * 1e3,
                  pixels / copy->second / 1e6, 1.0, "");
      const auto reference = seconds.find("blend/" + name + "/reference");
      for (int32_t level = CPU_LEVEL_BASELINE; level <= kHighestCpuLevel; ++level) {
        const auto blend = seconds.find("blend/" + name + "/" + CpuLevelName(static_cast<CPU_LEVEL>(level)));
        if (blend == seconds.end()) continue;
        char speedUp[32] = "";
        if (reference != seconds.end())
          std::snprintf(speedUp, sizeof speedUp, "%.1f", reference->second / blend->second);
        std::printf("%-10s %-10s %12.3f %14.1f %12.2f %14s\n", name.c_str(),
                    blend->first.substr(blend->first.rfind('/') + 1).c_str(), blend->second * 1e3,
                    pixels / blend->second / 1e6, blend->second / copy->second, speedUp);
      }
    }
  }

 private:
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::printf("mask blend levels on this CPU: reference");
  for (int32_t level = CPU_LEVEL_SSE2; level <= CpuLevel(); ++level) {
    std::printf(" %s", CpuLevelName(static_cast<CPU_LEVEL>(level)));
  }
  std::printf("\n");

  for (const Size size : kSizes) {
    const std::string name = SizeName(size);
    benchmark::RegisterBenchmark(("memcpy/" + name).c_str(), CopyFrame, size)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (int32_t level = CPU_LEVEL_BASELINE; level <= CpuLevel(); ++level) {
      const auto blendLevel = static_cast<CPU_LEVEL>(level);
      benchmark::RegisterBenchmark(("blend/" + name + "/" + CpuLevelName(blendLevel)).c_str(), BlendFrame, size,
                                   blendLevel)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
