// The speed figures of the plug-in's own work, measured the same way on both
// targets (Google Benchmark has no MinGW build, and this one also runs under
// Wine): decoding every shipped mask frame, fitting a frame to the usual
// video sizes, and RenderFrame with the shipped masks and fetches that
// deliver nothing new, each beside a memcpy of the same bytes.
//
// Usage: kiv_timing DIST_DIR [REPETITIONS [all|decode|resize|render]]
// DIST_DIR holds the plug-in, its mask module and the image library. Prints
// one line per figure of the group (all by default): name, the median over
// the repetitions of the wall time and of the thread's CPU time, and the
// fastest repetition's wall time, in ms per item. The fastest is what the
// work costs when nothing else on a shared machine gets in its way.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

#include "hosting/LoadedPlugin.h"
#include "masks/Pelt.h"
#include "platform/module_services/ModuleServices.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace {

double ThreadCpuMs() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
#else
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
#endif
}

struct Sample {
  double wallMs, cpuMs;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// `work(timed)` does `items` items per repetition and adds the time it wants
// counted to `timed` (setup it does itself stays out).
template <typename Work>
void Measure(const char* name, int repetitions, size_t items, Work work) {
  std::vector<double> wall, cpu;
  for (int r = 0; r <= repetitions; ++r) {
    Sample timed = {0, 0};
    work(timed);
    if (r == 0) continue;  // the first repetition warms caches and allocators up
    wall.push_back(timed.wallMs / static_cast<double>(items));
    cpu.push_back(timed.cpuMs / static_cast<double>(items));
  }
  std::printf("%-28s %10.4f %10.4f %10.4f\n", name, Median(wall), Median(cpu),
              *std::min_element(wall.begin(), wall.end()));
  std::fflush(stdout);
}

// Times one call of f into `timed`.
template <typename F>
void Timed(Sample& timed, F f) {
  const double cpu = ThreadCpuMs();
  const auto wall = std::chrono::steady_clock::now();
  f();
  timed.wallMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
  timed.cpuMs += ThreadCpuMs() - cpu;
}

void MeasureCopy(const char* name, int repetitions, size_t bytes) {
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  const int items = 50;
  Measure(name, repetitions, items, [&](Sample& timed) {
    Timed(timed, [&] {
      for (int i = 0; i < items; ++i) {
        from[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        std::memcpy(to.data(), from.data(), bytes);
      }
    });
  });
}

// The shipped frames where the mask source finds them: in the loaded
// module's resources, not copied (64 MB of copies on the heap of a 32-bit
// process would be work the plug-in never has).
struct ShippedFrames {
  struct Frame {
    const unsigned char* data;
    unsigned long size;
  };
  HMODULE library;
  std::vector<Frame> frames;

  explicit ShippedFrames(const std::wstring& module)
      : library(LoadLibraryExW(module.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    for (uint32_t id = 10000; library && id <= 10900; ++id) {
      HRSRC resource = FindResourceW(library, MAKEINTRESOURCEW(id), L"PNG");
      if (!resource) continue;
      const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(library, resource)));
      if (data) frames.push_back({data, static_cast<unsigned long>(SizeofResource(library, resource))});
    }
  }
  ~ShippedFrames() {
    if (library) FreeLibrary(library);
  }
  ShippedFrames(const ShippedFrames&) = delete;
  ShippedFrames& operator=(const ShippedFrames&) = delete;
};

// Decoded as the mask source does: choose the decoder, open, read, close, delete.
bool Decode(const ShippedFrames::Frame& frame, std::unique_ptr<TImage>& image) {
  image.reset(TImageGenerator::CreateInstance(frame.data, frame.size, -1));
  if (!image || image->Open(frame.data, kPeltSourceMemory, frame.size, 0) < 0) return false;
  const long result = image->Read(0);
  image->Close();
  return result >= 0 && image->GetBitCount() == 8;
}

struct Fetches {
  std::vector<uint8_t> a, b;
  bool deliver = true;
};

// Delivers the prepared frame on the first call only; afterwards the buffer
// keeps what it holds, so no fetch costs anything.
uint8_t FetchOnce(const std::vector<uint8_t>& frame, bool deliver, FrameBuffer* buffer) {
  if (deliver) std::memcpy(buffer->data, frame.data(), frame.size());
  buffer->aspectWidth = 16;
  buffer->aspectHeight = 9;
  return 1;
}
uint8_t FetchA(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* fetches = reinterpret_cast<const Fetches*>(userData);
  return FetchOnce(fetches->a, fetches->deliver, buffer);
}
uint8_t FetchB(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* fetches = reinterpret_cast<const Fetches*>(userData);
  return FetchOnce(fetches->b, fetches->deliver, buffer);
}

size_t FrameBytes(uint32_t width, uint32_t height) {
  return size_t{2} * width * height + size_t{(width + 3) & ~3u} * height;
}

int RenderFrames(const std::string& plugin, int repetitions) {
  LoadedPlugin library(plugin);
  IKavroVideoTransition* transition = nullptr;
  if (!library.error().empty() || !library.factory()(&transition) || !transition) {
    std::fprintf(stderr, "kiv_timing: %s\n",
                 library.error().empty() ? "no transition object" : library.error().c_str());
    return 1;
  }
  const uint32_t kMaskFrames = 479;
  const uint32_t sizes[][2] = {{1280, 720}, {1920, 1080}, {3840, 2160}};
  for (const auto& size : sizes) {
    const size_t bytes = FrameBytes(size[0], size[1]);
    Fetches fetches;
    fetches.a.assign(bytes, 0);
    fetches.b.assign(bytes, 0);
    for (size_t i = 0; i < bytes; ++i) {
      fetches.a[i] = static_cast<uint8_t>(i * 7 + 3);
      fetches.b[i] = static_cast<uint8_t>(i * 13 + 200);
    }
    TransitionSetup setup = {};
    setup.format.width = size[0];
    setup.format.height = size[1];
    setup.format.aspectWidth = 16;
    setup.format.aspectHeight = 9;
    setup.format.totalFrames = kMaskFrames;
    setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
    setup.userData = reinterpret_cast<uintptr_t>(&fetches);
    setup.fetchSourceA = FetchA;
    setup.fetchSourceB = FetchB;
    transition->SetSetup(&setup);
    std::vector<uint8_t> output(bytes);
    FrameBuffer descriptor = {};
    descriptor.data = output.data();
    descriptor.size = output.size();
    bool failed = transition->RenderFrame(0, 0, &descriptor) != RESULT_OK;
    fetches.deliver = false;

    // Positions spread over the whole mask, the same in every repetition.
    const size_t items = size[0] > 2000 ? 16 : 48;
    const std::string name = "render_no_fetch/" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
    Measure(name.c_str(), repetitions, items, [&](Sample& timed) {
      Timed(timed, [&] {
        for (size_t i = 0; i < items; ++i) {
          failed |= transition->RenderFrame(static_cast<uint32_t>(i * 97 % kMaskFrames), 0, &descriptor) != RESULT_OK;
        }
      });
    });
    MeasureCopy(("memcpy/" + std::to_string(size[0]) + "x" + std::to_string(size[1]) + "_frame").c_str(), repetitions,
                bytes);
    if (failed) {
      std::fprintf(stderr, "kiv_timing: RenderFrame failed\n");
      transition->Release();
      return 1;
    }
  }
  transition->Release();
  return 0;
}

int DecodeFrames(const ShippedFrames& shipped, int repetitions) {
  bool failed = false;
  Measure("decode/shipped_frame", repetitions, shipped.frames.size(), [&](Sample& timed) {
    std::unique_ptr<TImage> image;
    Timed(timed, [&] {
      for (const auto& frame : shipped.frames) failed |= !Decode(frame, image);
    });
  });
  MeasureCopy("memcpy/1920x1080_gray", repetitions, size_t{1920} * 1080);
  if (failed) std::fprintf(stderr, "kiv_timing: decoding failed\n");
  return failed ? 1 : 0;
}

int ResizeFrames(const ShippedFrames& shipped, int repetitions) {
  std::unique_ptr<TImage> source;
  bool failed = !Decode(shipped.frames[shipped.frames.size() / 2], source);
  const long resizes[][4] = {{1920, 1080, 1280, 720}, {1920, 1080, 3840, 2160}, {1440, 1080, 1920, 1080}};
  for (const auto& r : resizes) {
    if (failed) break;
    TImage image;
    const int items = 8;
    const std::string name = "resize/" + std::to_string(r[0]) + "x" + std::to_string(r[1]) + "_to_" +
                             std::to_string(r[2]) + "x" + std::to_string(r[3]);
    Measure(name.c_str(), repetitions, items, [&](Sample& timed) {
      for (int i = 0; i < items; ++i) {
        image.Create(r[0], r[1], pf8bit, 0);
        for (long y = 0; y < r[1]; ++y) {
          std::memcpy(image.GetBits() + y * image.GetWidthBytes(), source->GetBits() + y * source->GetWidthBytes(),
                      static_cast<size_t>(r[0]));
        }
        Timed(timed, [&] { failed |= TEffectImage::Resize(image, r[2], r[3]) < 0; });
      }
    });
    MeasureCopy(("memcpy/" + std::to_string(r[2]) + "x" + std::to_string(r[3]) + "_gray").c_str(), repetitions,
                static_cast<size_t>(r[2] * r[3]));
  }
  if (failed) std::fprintf(stderr, "kiv_timing: decoding or resizing failed\n");
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string group = argc == 4 ? argv[3] : "all";
  if (argc < 2 || argc > 4 || (group != "all" && group != "decode" && group != "resize" && group != "render")) {
    std::fprintf(stderr, "usage: kiv_timing DIST_DIR [REPETITIONS [all|decode|resize|render]]\n");
    return 2;
  }
  const std::string dist = argv[1];
  const int repetitions = argc >= 3 ? std::atoi(argv[2]) : 9;
  if (repetitions < 1 || repetitions > 1000) {
    std::fprintf(stderr, "kiv_timing: repetitions must be 1 to 1000\n");
    return 2;
  }
#if defined(_WIN32)
  const std::string suffix = ".dll";
#else
  const std::string suffix = ".so";
#endif
  const std::string plugin = dist + "/KavroVideoTransitionMask_B06" + suffix;
  const std::string masks = dist + "/OldKavroVideoTransitionMask_B06" + suffix;

  TImageGenerator::AddExtendSupportFormat(TImagePNG());
  const ShippedFrames shipped(std::wstring(masks.begin(), masks.end()));
  if (shipped.frames.size() != 899) {
    std::fprintf(stderr, "kiv_timing: %s holds %zu mask frames, not 899\n", masks.c_str(), shipped.frames.size());
    return 1;
  }
  int result = 0;
  if (result == 0 && (group == "all" || group == "decode")) result = DecodeFrames(shipped, repetitions);
  if (result == 0 && (group == "all" || group == "resize")) result = ResizeFrames(shipped, repetitions);
  if (result == 0 && (group == "all" || group == "render")) result = RenderFrames(plugin, repetitions);
  return result;
}
