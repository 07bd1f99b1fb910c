// kavro's row loops over whole full-HD frames at every level this CPU has,
// each beside a memcpy of the bytes it writes: packing planar 4:2:2 into
// YUY2 and back, RGBA to and from Y'CbCr, and chroma rows to and from the
// even columns. Each also runs over one row again and again, in cache: its
// own speed, as the row-by-row conversions of PackedRgba see it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "media/MediaRows.h"

namespace {

constexpr size_t kWidth = 1920, kHeight = 1080, kPixels = kWidth * kHeight;

std::vector<uint8_t> RandomBytes(size_t count) {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& value : bytes) value = static_cast<uint8_t>(random());
  return bytes;
}

bool Available(benchmark::State& state, CPU_LEVEL level) {
  if (CpuLevel() >= level) return true;
  state.SkipWithError("this CPU lacks the level");
  return false;
}

kavro::MediaRowFunctions RowsAt(CPU_LEVEL level) {
  kavro::MediaRowFunctions rows;
  kavro::InitMediaRows(rows, level);
  return rows;
}

void Count(benchmark::State& state, size_t bytesWritten) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesWritten));
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Whole frames, or one row over and over (`inCache`), the loop's own speed.
size_t RowAt(size_t row, bool inCache) { return inCache ? 0 : row; }

void PackYuy2(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> y = RandomBytes(kPixels), cb = RandomBytes(kPixels / 2), cr = RandomBytes(kPixels / 2);
  std::vector<uint8_t> packed(2 * kPixels);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t at = RowAt(row, inCache);
      rows.packYuy2(&y[at * kWidth], &cb[at * kWidth / 2], &cr[at * kWidth / 2], kWidth / 2, &packed[at * 2 * kWidth]);
    }
    benchmark::DoNotOptimize(packed.data());
  }
  Count(state, packed.size());
}

void UnpackYuy2(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> packed = RandomBytes(2 * kPixels);
  std::vector<uint8_t> y(kPixels), cb(kPixels / 2), cr(kPixels / 2);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t at = RowAt(row, inCache);
      rows.unpackYuy2(&packed[at * 2 * kWidth], kWidth / 2, &y[at * kWidth], &cb[at * kWidth / 2],
                      &cr[at * kWidth / 2]);
    }
    benchmark::DoNotOptimize(y.data());
  }
  Count(state, packed.size());
}

void RgbaToYCbCr(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> rgba = RandomBytes(4 * kPixels);
  std::vector<uint8_t> y(kPixels), cb(kPixels), cr(kPixels), alpha(kPixels);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t first = RowAt(row, inCache) * kWidth;
      rows.rgbaToYCbCr(&rgba[4 * first], kWidth, &y[first], &cb[first], &cr[first], &alpha[first]);
    }
    benchmark::DoNotOptimize(y.data());
  }
  Count(state, rgba.size());
}

void YCbCrToRgba(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> y = RandomBytes(kPixels), cb = RandomBytes(kPixels), cr = RandomBytes(kPixels),
                             alpha = RandomBytes(kPixels);
  std::vector<uint8_t> rgba(4 * kPixels);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t first = RowAt(row, inCache) * kWidth;
      rows.yCbCrToRgba(&y[first], &cb[first], &cr[first], &alpha[first], kWidth, &rgba[4 * first]);
    }
    benchmark::DoNotOptimize(rgba.data());
  }
  Count(state, rgba.size());
}

void DownsampleChroma(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> full = RandomBytes(kPixels);
  std::vector<uint8_t> sited(kPixels / 2);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t at = RowAt(row, inCache);
      rows.downsampleChroma(&full[at * kWidth], kWidth, &sited[at * kWidth / 2]);
    }
    benchmark::DoNotOptimize(sited.data());
  }
  Count(state, sited.size());
}

void UpsampleChroma(benchmark::State& state, CPU_LEVEL level, bool inCache) {
  if (!Available(state, level)) return;
  const kavro::MediaRowFunctions rows = RowsAt(level);
  const std::vector<uint8_t> sited = RandomBytes(kPixels / 2);
  std::vector<uint8_t> full(kPixels);
  for (auto _ : state) {
    for (size_t row = 0; row < kHeight; ++row) {
      const size_t at = RowAt(row, inCache);
      rows.upsampleChroma(&sited[at * kWidth / 2], kWidth, &full[at * kWidth]);
    }
    benchmark::DoNotOptimize(full.data());
  }
  Count(state, full.size());
}

// The yardstick: the bytes each loop writes, copied.
void Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> from = RandomBytes(bytes);
  std::vector<uint8_t> to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
  Count(state, bytes);
}

#define KAVRO_AT_EVERY_LEVEL(function)                                                                      \
  BENCHMARK_CAPTURE(function, reference, CPU_LEVEL_BASELINE, false)->Unit(benchmark::kMillisecond);         \
  BENCHMARK_CAPTURE(function, sse2, CPU_LEVEL_SSE2, false)->Unit(benchmark::kMillisecond);                  \
  BENCHMARK_CAPTURE(function, avx2, CPU_LEVEL_AVX2, false)->Unit(benchmark::kMillisecond);                  \
  BENCHMARK_CAPTURE(function, reference_in_cache, CPU_LEVEL_BASELINE, true)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(function, sse2_in_cache, CPU_LEVEL_SSE2, true)->Unit(benchmark::kMillisecond);          \
  BENCHMARK_CAPTURE(function, avx2_in_cache, CPU_LEVEL_AVX2, true)->Unit(benchmark::kMillisecond)

KAVRO_AT_EVERY_LEVEL(PackYuy2);
KAVRO_AT_EVERY_LEVEL(UnpackYuy2);
KAVRO_AT_EVERY_LEVEL(RgbaToYCbCr);
KAVRO_AT_EVERY_LEVEL(YCbCrToRgba);
KAVRO_AT_EVERY_LEVEL(DownsampleChroma);
KAVRO_AT_EVERY_LEVEL(UpsampleChroma);
BENCHMARK(Memcpy)->Arg(kPixels / 2)->Arg(kPixels)->Arg(2 * kPixels)->Arg(4 * kPixels)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
