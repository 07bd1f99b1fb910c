#include "ExpectedMix.h"

#include <gtest/gtest.h>

#include <cstring>

#include "media/PackedRgba.h"

namespace {

struct Sources {
  const std::vector<uint8_t>* a;
  const std::vector<uint8_t>* b;
};

uint8_t Deliver(const std::vector<uint8_t>& packed, FrameBuffer* buffer) {
  std::memcpy(buffer->data, packed.data(), packed.size());
  buffer->aspectWidth = buffer->aspectHeight = 0;  // frei0r frames tell no proportions
  return 1;
}

uint8_t FetchA(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  return Deliver(*reinterpret_cast<Sources*>(userData)->a, buffer);
}

uint8_t FetchB(uintptr_t userData, FrameFormat*, uint32_t, int32_t, FrameBuffer* buffer) {
  return Deliver(*reinterpret_cast<Sources*>(userData)->b, buffer);
}

}  // namespace

Rgba ExpectedMix(KavroCreateVideoTransitionProc factory, const Rgba& a, const Rgba& b, uint32_t width, uint32_t height,
                 const MixSettings& settings) {
  const kavro::PackedLayout layout(width + width % 2, height);
  std::vector<uint8_t> packedA(layout.bufferBytes()), packedB(packedA.size()), mixed(packedA.size());
  kavro::PackedRgbaScratch scratch;
  kavro::PackRgba(a.data(), width, layout, packedA.data(), scratch);
  kavro::PackRgba(b.data(), width, layout, packedB.data(), scratch);

  IKavroVideoTransition* transition = nullptr;
  if (!factory || !factory(&transition) || !transition) {
    ADD_FAILURE() << "the plug-in made no transition";
    return {};
  }
  Sources sources{&packedA, &packedB};
  TransitionSetup setup = {};
  setup.format.width = layout.width;
  setup.format.height = height;
  setup.format.totalFrames = 1;
  setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  setup.format.aspectMode = VALUE_SOURCE_OWN;
  setup.format.auxMode = VALUE_SOURCE_OWN;
  setup.userData = reinterpret_cast<uintptr_t>(&sources);
  setup.fetchSourceA = FetchA;
  setup.fetchSourceB = FetchB;
  setup.cropToOutputAspect = settings.crop ? 1 : 0;
  transition->SetSetup(&setup);
  MaskParameters parameters = {};
  parameters.maskIndex = settings.mask;
  parameters.invert = settings.invert ? 1 : 0;
  parameters.reverse = settings.reverse ? 1 : 0;
  ParameterDescriptor descriptor = {&parameters, sizeof parameters};
  transition->SetParameters(&descriptor);
  FrameBuffer output = {};
  output.data = mixed.data();
  output.size = mixed.size();
  EXPECT_EQ(transition->RenderFrame(settings.maskFrame, 0, &output), RESULT_OK);
  transition->Release();

  Rgba expected(a.size());
  kavro::UnpackRgba(mixed.data(), layout, width, expected.data(), scratch);
  for (uint32_t row = 0; row < height; ++row) {
    for (uint32_t x = 0; x < width; x += 2) {
      const size_t pair = size_t{row} * layout.stride + x * 2, alpha = layout.alphaOffset() + row * layout.width + x;
      auto same = [&](const std::vector<uint8_t>& packed) {
        return std::memcmp(&mixed[pair], &packed[pair], 4) == 0 && mixed[alpha] == packed[alpha] &&
               mixed[alpha + 1] == packed[alpha + 1];
      };
      const Rgba* source = same(packedA) ? &a : same(packedB) ? &b : nullptr;
      if (!source) continue;
      const size_t first = (size_t{row} * width + x) * 4;
      std::memcpy(&expected[first], &(*source)[first], (x + 1 < width ? 2 : 1) * 4);
    }
  }
  return expected;
}
