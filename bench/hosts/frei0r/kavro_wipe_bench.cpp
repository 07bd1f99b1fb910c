// kavro_wipe's own share of a melt render at full HD: one f0r_update2, two
// RGBA frames in and one out, loaded from this build's frei0r folder as MLT
// loads it. Midway is the full path (pack both, mix, convert back); at the
// start the mask keeps A everywhere and A's pixels are handed back whole.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <random>
#include <string>
#include <vector>

extern "C" {
#include <frei0r.h>
}

namespace {

constexpr unsigned kWidth = 1920, kHeight = 1080;

struct Mixer {
  void* handle = dlopen(KAVRO_WIPE_PATH, RTLD_NOW | RTLD_LOCAL);
  template <typename Function>
  Function Get(const char* name) const {
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
  }
};

std::vector<uint32_t> RandomFrame(unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> frame(size_t{kWidth} * kHeight);
  for (uint32_t& pixel : frame) pixel = static_cast<uint32_t>(random()) | 0xFF000000u;
  return frame;
}

void Update(benchmark::State& state, double position) {
  static const Mixer mixer;
  auto construct = mixer.Get<f0r_instance_t (*)(unsigned, unsigned)>("f0r_construct");
  auto destruct = mixer.Get<void (*)(f0r_instance_t)>("f0r_destruct");
  auto set = mixer.Get<void (*)(f0r_instance_t, f0r_param_t, int)>("f0r_set_param_value");
  auto update2 =
      mixer.Get<void (*)(f0r_instance_t, double, const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*)>(
          "f0r_update2");
  if (!construct || !destruct || !set || !update2) {
    state.SkipWithError("cannot load " KAVRO_WIPE_PATH);
    return;
  }
  f0r_instance_t instance = construct(kWidth, kHeight);
  set(instance, &position, 0);
  const std::vector<uint32_t> a = RandomFrame(1), b = RandomFrame(2);
  std::vector<uint32_t> out(a.size());
  for (auto _ : state) {
    update2(instance, 0, a.data(), b.data(), nullptr, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  destruct(instance);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Midway(benchmark::State& state) { Update(state, 0.5); }
void AllA(benchmark::State& state) { Update(state, 0.0); }

BENCHMARK(Midway)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AllA)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
