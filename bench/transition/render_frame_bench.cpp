// One RenderFrame of the shipped plug-in, loaded from dist as a host loads
// it, at three output sizes, with fetches that copy the sources and with
// fetches that deliver nothing new, and beside it each part alone: the
// host's two fetch copies, the mask frame's decode, its fit to the output,
// the row loop, and a memcpy of one frame. The table at the end sets the
// parts against the whole.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "masks/MaskFitting.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"
#include "transition/FrameGeometry.h"
#include "transition/KavroVideoTransitionMask.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace {

struct Size {
  uint32_t width, height;
};
const Size kSizes[] = {{1280, 720}, {1920, 1080}, {3840, 2160}};
const uint32_t kMaskFrames = 479;  // mask 0, the torn paper

// Frame positions spread over the whole mask, the same for every benchmark:
// the first frames are plain white and decode far faster than the rest.
uint32_t Position(uint64_t iteration) { return static_cast<uint32_t>((iteration * 97) % kMaskFrames); }

std::string SizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

std::vector<uint8_t> RandomFrame(size_t bytes, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> frame(bytes);
  for (uint8_t& byte : frame) byte = static_cast<uint8_t>(random());
  return frame;
}

// Prepared sources of one size; the fetches only copy them.
struct Sources {
  explicit Sources(Size size) {
    FrameFormat format = {};
    format.width = size.width;
    format.height = size.height;
    MeasureFrame(format, geometry);
    a = RandomFrame(geometry.totalBytes, 1);
    b = RandomFrame(geometry.totalBytes, 2);
  }
  FrameGeometry geometry = {};
  std::vector<uint8_t> a, b;
  bool deliver = true;  // false: the fetches leave the buffers as they are
};

Sources& SourcesOf(Size size) {
  static std::map<uint32_t, std::unique_ptr<Sources>> all;
  std::unique_ptr<Sources>& entry = all[size.width];
  if (!entry) entry = std::make_unique<Sources>(size);
  return *entry;
}

uint8_t CopyA(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* sources = reinterpret_cast<const Sources*>(userData);
  if (sources->deliver) std::memcpy(buffer->data, sources->a.data(), sources->a.size());
  return 1;
}

uint8_t CopyB(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* sources = reinterpret_cast<const Sources*>(userData);
  if (sources->deliver) std::memcpy(buffer->data, sources->b.data(), sources->b.size());
  return 1;
}

void PerFrame(benchmark::State& state, Size size) {
  state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(size.width) * size.height / 1e6,
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// With `fetches` false the sources are delivered once, before the timing;
// then every fetch leaves the buffers as they are and costs nothing, so the
// figure is the plug-in's own work.
void RenderFrame(benchmark::State& state, Size size, bool fetches) {
  void* library = dlopen(KIV_SHIPPED_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  auto create = library ? reinterpret_cast<KavroCreateVideoTransitionProc>(dlsym(library, "KavroCreateVideoTransition"))
                        : nullptr;
  IKavroVideoTransition* transition = nullptr;
  if (!create || !create(&transition)) {
    state.SkipWithError("the shipped plug-in does not load");
    if (library) dlclose(library);
    return;
  }
  Sources& sources = SourcesOf(size);
  TransitionSetup setup = {};
  setup.format.width = size.width;
  setup.format.height = size.height;
  setup.format.aspectWidth = 16;
  setup.format.aspectHeight = 9;
  setup.format.totalFrames = kMaskFrames;
  setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  setup.userData = reinterpret_cast<uintptr_t>(&sources);
  setup.fetchSourceA = CopyA;
  setup.fetchSourceB = CopyB;
  transition->SetSetup(&setup);
  std::vector<uint8_t> output(sources.geometry.totalBytes);
  FrameBuffer descriptor = {};
  descriptor.data = output.data();
  descriptor.size = output.size();
  sources.deliver = true;
  if (!fetches && transition->RenderFrame(0, 0, &descriptor) != RESULT_OK) state.SkipWithError("RenderFrame failed");
  sources.deliver = fetches;

  uint64_t iteration = 0;
  for (auto _ : state) {
    if (transition->RenderFrame(Position(iteration++), 0, &descriptor) != RESULT_OK) {
      state.SkipWithError("RenderFrame failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  PerFrame(state, size);
  sources.deliver = true;
  transition->Release();
  dlclose(library);
}

// The yardstick: one memcpy of a whole frame, alpha plane included.
void CopyFrame(benchmark::State& state, Size size) {
  Sources& sources = SourcesOf(size);
  std::vector<uint8_t> output(sources.geometry.totalBytes);
  for (auto _ : state) {
    std::memcpy(output.data(), sources.a.data(), sources.a.size());
    benchmark::ClobberMemory();
  }
  PerFrame(state, size);
}

void FetchCopies(benchmark::State& state, Size size) {
  Sources& sources = SourcesOf(size);
  std::vector<uint8_t> output(sources.geometry.totalBytes), work(sources.geometry.totalBytes);
  FrameBuffer out = {}, into = {};
  out.data = output.data();
  into.data = work.data();
  for (auto _ : state) {
    CopyA(reinterpret_cast<uintptr_t>(&sources), nullptr, 0, 0, &out);
    CopyB(reinterpret_cast<uintptr_t>(&sources), nullptr, 0, 0, &into);
    benchmark::ClobberMemory();
  }
  PerFrame(state, size);
}

MaskImageFactory& ShippedMasks() {
  static MaskImageFactory factory(KIV_SHIPPED_PLUGIN_W);
  return factory;
}

void DecodeMaskFrame(benchmark::State& state) {
  uint64_t iteration = 0;
  for (auto _ : state) {
    std::unique_ptr<TImage> frame(ShippedMasks().GetFrame(Position(iteration++)));
    if (!frame) {
      state.SkipWithError("no mask frame");
      break;
    }
    benchmark::DoNotOptimize(frame->GetBits());
  }
}

// Decoded once; the fit works on a fresh copy each time, made outside the timing.
const TImage& MiddleFrame() {
  static std::unique_ptr<TImage> frame(ShippedMasks().GetFrame(kMaskFrames / 2));
  return *frame;
}

void CopyImage(const TImage& from, TImage& to) {
  to.Create(from.GetWidth(), from.GetHeight(), from.GetPixelFormat(), 0);
  std::memcpy(to.GetBits(), from.GetBits(), static_cast<size_t>(from.GetSize()));
}

// A mask frame cut to 16:9 and scaled to the output, as the render fits it.
void FitMaskFrame(benchmark::State& state, Size size) {
  TImage image;
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(MiddleFrame(), image);
    state.ResumeTiming();
    if (!FitMask(image, size.width, size.height, 16, 9)) {
      state.SkipWithError("fit failed");
      break;
    }
    benchmark::DoNotOptimize(image.GetBits());
  }
  PerFrame(state, size);
}

// The pipeline's row loop over prepared frames and a fitted mask.
void RowLoop(benchmark::State& state, Size size) {
  Sources& sources = SourcesOf(size);
  const FrameGeometry& frame = sources.geometry;
  TImage mask;
  CopyImage(MiddleFrame(), mask);
  TEffectImage::Resize(mask, static_cast<long>(size.width), static_cast<long>(size.height));
  KavroVideoTransitionMask transition(nullptr);
  std::vector<uint8_t> output = sources.a;
  const int32_t maskRowBytes = static_cast<int32_t>(mask.GetWidthBytes());
  for (auto _ : state) {
    int32_t maskOffset = static_cast<int32_t>(mask.GetSize()) - maskRowBytes;
    uint32_t alphaOffset = frame.mainBytes;
    for (uint32_t rowOffset = 0; rowOffset < frame.mainBytes; rowOffset += frame.stride) {
      transition.BlendRowYUV422Alpha(output.data(), sources.b.data(), rowOffset, frame.rowBytes, &mask, maskOffset,
                                     alphaOffset);
      alphaOffset += frame.width;
      maskOffset -= maskRowBytes;
    }
    benchmark::ClobberMemory();
  }
  PerFrame(state, size);
}

// Collects each run's time per frame and prints the parts beside the whole.
class PartsReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      milliseconds[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations) * 1e3;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nms per frame    %10s %10s %10s %10s %10s %10s %12s %10s\n", "render", "fetches", "decode", "fit",
                "rows", "no fetch", "sum of parts", "memcpy");
    const double decode = Find("decode/1920x1080");
    for (const Size size : kSizes) {
      const std::string name = SizeName(size);
      const double fit = Find("fit/" + name);
      const double parts = Find("fetches/" + name) + decode + fit + Find("rows/" + name);
      std::printf("%-15s %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f %12.2f %10.2f\n", name.c_str(),
                  Find("render/" + name), Find("fetches/" + name), decode, fit, Find("rows/" + name),
                  Find("render_no_fetch/" + name), parts, Find("memcpy/" + name));
    }
  }

 private:
  double Find(const std::string& name) const {
    auto found = milliseconds.find(name);
    return found == milliseconds.end() ? 0.0 : found->second;
  }
  std::map<std::string, double> milliseconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TImageGenerator::AddExtendSupportFormat(TImagePNG());

  benchmark::RegisterBenchmark("decode/1920x1080", DecodeMaskFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
  for (const Size size : kSizes) {
    const std::string name = SizeName(size);
    benchmark::RegisterBenchmark(("render/" + name).c_str(), RenderFrame, size, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("render_no_fetch/" + name).c_str(), RenderFrame, size, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("memcpy/" + name).c_str(), CopyFrame, size)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("fetches/" + name).c_str(), FetchCopies, size)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // A mask of the output's size is not fitted at all.
    if (size.width != 1920 || size.height != 1080) {
      benchmark::RegisterBenchmark(("fit/" + name).c_str(), FitMaskFrame, size)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
    benchmark::RegisterBenchmark(("rows/" + name).c_str(), RowLoop, size)->Unit(benchmark::kMillisecond)->UseRealTime();
  }

  PartsReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
