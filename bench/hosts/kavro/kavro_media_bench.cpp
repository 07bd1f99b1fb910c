// What kavro does to every full-HD frame besides the plug-in's mix: bring a
// source to 4:2:2, scale it, pack it for the plug-in and back, and draw the
// built-in clips. Each reports frames per second of that step alone.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "hosts/kavro/DefaultClips.h"
#include "media/ColourConversion.h"
#include "media/PackedFrame.h"
#include "media/Scaling.h"
#include "media/Y4m.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::vector<uint8_t> RandomBytes(size_t count) {
  std::mt19937 random(11);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& value : bytes) value = static_cast<uint8_t>(random());
  return bytes;
}

kavro::Picture RandomPicture(int width, int height) {
  kavro::Picture picture(width, height);
  picture.y = RandomBytes(picture.y.size());
  picture.cb = RandomBytes(picture.cb.size());
  picture.cr = RandomBytes(picture.cr.size());
  return picture;
}

void FramesPerSecond(benchmark::State& state) {
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Y4mPlanes(benchmark::State& state, const char* chroma) {
  const kavro::Y4mFormat format = kavro::ParseY4mHeader(
      std::string("YUV4MPEG2 W") + std::to_string(kWidth) + " H" + std::to_string(kHeight) + " " + chroma, "bench");
  const std::vector<uint8_t> planes = RandomBytes(kavro::Y4mFrameBytes(format));
  for (auto _ : state) benchmark::DoNotOptimize(kavro::Y4mPlanesToPicture(format, planes.data()));
  FramesPerSecond(state);
}
BENCHMARK_CAPTURE(Y4mPlanes, C422, "C422")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Y4mPlanes, C420jpeg, "C420jpeg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Y4mPlanes, C444, "C444")->Unit(benchmark::kMillisecond);

void RgbaToPicture(benchmark::State& state) {
  kavro::RgbaImage image(kWidth, kHeight);
  image.pixels = RandomBytes(image.pixels.size());
  for (auto _ : state) benchmark::DoNotOptimize(kavro::RgbaToPicture(image));
  FramesPerSecond(state);
}
BENCHMARK(RgbaToPicture)->Unit(benchmark::kMillisecond);

void PictureToRgba(benchmark::State& state) {
  const kavro::Picture picture = RandomPicture(kWidth, kHeight);
  for (auto _ : state) benchmark::DoNotOptimize(kavro::PictureToRgba(picture));
  FramesPerSecond(state);
}
BENCHMARK(PictureToRgba)->Unit(benchmark::kMillisecond);

// From 1280 x 720 up, and from 3840 x 2160 down.
void Scale(benchmark::State& state) {
  const kavro::Picture picture = RandomPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(kavro::ScalePicture(picture, kWidth, kHeight));
  FramesPerSecond(state);
}
BENCHMARK(Scale)->Args({1280, 720})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void PackAndUnpack(benchmark::State& state) {
  const kavro::Picture picture = RandomPicture(kWidth, kHeight);
  const kavro::PackedLayout layout(kWidth, kHeight);
  std::vector<uint8_t> frame(layout.bufferBytes());
  for (auto _ : state) {
    kavro::PackPicture(picture, layout, frame.data());
    benchmark::DoNotOptimize(kavro::UnpackPicture(frame.data(), layout));
  }
  FramesPerSecond(state);
}
BENCHMARK(PackAndUnpack)->Unit(benchmark::kMillisecond);

void DefaultClip(benchmark::State& state) {
  const auto clip = static_cast<kavro::DefaultClip>(state.range(0));
  uint32_t frame = 0;
  for (auto _ : state) benchmark::DoNotOptimize(kavro::DrawDefaultClipFrame(clip, kWidth, kHeight, frame++));
  FramesPerSecond(state);
}
BENCHMARK(DefaultClip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
