// Renders the middle frame of each mask through the plug-in at 1280 x 720
// (so the 1920 x 1080 mask frames are fitted), from a dark source A and a
// light source B, and prints what RenderFrame returned and how the pixels
// came out.
//
// Usage: kiv_render_demo PLUGIN_PATH
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "IKavroVideoTransition.h"
#include "LoadedPlugin.h"
#include "MaskCatalogue.h"

namespace {

const uint32_t kWidth = 1280, kHeight = 720;
const uint8_t kLumaA = 40, kLumaB = 220;

struct Sources {
  std::vector<uint8_t> a, b;
};

// Pixel pairs of one luma and neutral chroma, then an opaque alpha plane.
std::vector<uint8_t> FlatFrame(uint8_t luma) {
  std::vector<uint8_t> frame(size_t{2} * kWidth * kHeight + size_t{(kWidth + 3) & ~3u} * kHeight, 255);
  for (size_t i = 0; i < size_t{2} * kWidth * kHeight; i += 2) {
    frame[i] = luma;
    frame[i + 1] = 128;
  }
  return frame;
}

uint8_t Fetch(const std::vector<uint8_t>& frame, FrameBuffer* buffer) {
  if (!buffer->data || (buffer->size != 0 && buffer->size < frame.size())) return 0;
  std::memcpy(buffer->data, frame.data(), frame.size());
  buffer->aspectWidth = 16;
  buffer->aspectHeight = 9;
  return 1;
}

uint8_t FetchA(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  return Fetch(reinterpret_cast<Sources*>(userData)->a, buffer);
}

uint8_t FetchB(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  return Fetch(reinterpret_cast<Sources*>(userData)->b, buffer);
}

const char* ResultName(int32_t result) {
  switch (result) {
    case RESULT_OK:
      return "done";
    case RESULT_OUT_OF_MEMORY:
      return "out of memory";
    case RESULT_FAILED:
      return "failed";
    case RESULT_NOT_SET_UP:
      return "not set up";
  }
  return "unknown";
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kiv_render_demo PLUGIN_PATH\n");
    return 2;
  }
  LoadedPlugin plugin(argv[1]);
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kiv_render_demo: %s\n", plugin.error().c_str());
    return 1;
  }
  Sources sources = {FlatFrame(kLumaA), FlatFrame(kLumaB)};
  std::printf("one frame of each mask at %u x %u, source A luma %u, source B luma %u\n", kWidth, kHeight, kLumaA,
              kLumaB);
  int status = 0;
  for (uint32_t mask = 0; mask < kMaskCount; ++mask) {
    IKavroVideoTransition* transition = nullptr;
    if (!plugin.factory()(&transition) || !transition) {
      std::fprintf(stderr, "kiv_render_demo: KavroCreateVideoTransition failed\n");
      return 1;
    }
    MaskParameters parameters = {mask, 0, 0, {0, 0}};
    ParameterDescriptor descriptor = {&parameters, sizeof parameters};
    transition->SetParameters(&descriptor);
    TransitionSetup setup = {};
    setup.format.width = kWidth;
    setup.format.height = kHeight;
    setup.format.totalFrames = maskFrameCounts[mask];
    setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
    setup.userData = reinterpret_cast<uintptr_t>(&sources);
    setup.fetchSourceA = FetchA;
    setup.fetchSourceB = FetchB;
    transition->SetSetup(&setup);

    std::vector<uint8_t> output(sources.a.size());
    FrameBuffer frame = {};
    frame.data = output.data();
    frame.size = output.size();
    const uint32_t position = maskFrameCounts[mask] / 2;
    const int32_t result = transition->RenderFrame(position, 0, &frame);
    transition->Release();

    size_t showA = 0, showB = 0;
    for (size_t i = 0; i < size_t{2} * kWidth * kHeight; i += 2) {
      showA += output[i] == kLumaA;
      showB += output[i] == kLumaB;
    }
    const double pixels = static_cast<double>(kWidth) * kHeight;
    std::printf("  %-24s frame %3u: RenderFrame returned %d (%s); %5.1f%% source A, %5.1f%% source B, %5.1f%% mixed\n",
                Narrow(maskNameTexts[mask]).c_str(), position, result, ResultName(result), 100.0 * showA / pixels,
                100.0 * showB / pixels, 100.0 * (pixels - showA - showB) / pixels);
    if (result != RESULT_OK) status = 1;
  }
  return status;
}
