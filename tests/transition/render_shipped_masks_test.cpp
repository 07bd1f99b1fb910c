// Whole frames with the shipped masks, through a plug-in copy beside the
// shipped resource module: the output must be source A mixed with source B
// under the mask frame decoded straight from the module, fitted as a host
// asked, byte for byte as the reference kernel mixes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MaskModel.h"
#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

namespace {

struct Mask {
  uint16_t firstId;
  uint32_t frames;
};
const Mask kMasks[] = {{10000, 479}, {10480, 210}, {10691, 210}};

class ShippedMaskRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plugin = new PluginLibrary(SharedLibraryFileName(L"kiv_shipped")); }
  static void TearDownTestSuite() { delete plugin; }
  void SetUp() override {
    ASSERT_TRUE(plugin->loaded()) << plugin->error();
    transition.reset(plugin->Create());
    ASSERT_TRUE(transition);
  }

  static MaskPicture Frame(uint16_t id) {
    return DecodeResourceFrame(TestDirectory() + SharedLibraryFileName(L"Oldkiv_shipped"), id);
  }

  static PluginLibrary* plugin;
  TransitionPtr transition;
  RenderHost host;
};

PluginLibrary* ShippedMaskRender::plugin = nullptr;

TEST_F(ShippedMaskRender, FullSizeFramesMatchTheReferenceMixUnderTheDecodedFrame) {
  const uint32_t width = 1920, height = 1080;
  const FrameFormat format = YuvAlphaFormat(width, height);
  const size_t bytes = static_cast<size_t>(FrameBytes(width, height));
  host.frameA = RandomBytes(bytes, 7);
  host.frameB = RandomBytes(bytes, 8);
  TransitionSetup setup = host.Setup(format);
  ASSERT_NE(transition->SetSetup(&setup), nullptr);

  for (uint32_t m = 0; m < 3; ++m) {
    const Mask mask = kMasks[m];
    const uint32_t last = mask.frames - 1;
    for (uint32_t position : {0u, mask.frames / 2, last, mask.frames + 17}) {
      for (uint8_t reverse : {0, 1}) {
        // Positions past the end hold the last frame; reversed, frames run backwards.
        const uint32_t clamped = position < last ? position : last;
        const uint16_t id = static_cast<uint16_t>(mask.firstId + (reverse ? last - clamped : clamped));
        const MaskPicture frame = Frame(id);
        ASSERT_EQ(frame.width, width) << "resource " << id;
        ASSERT_EQ(frame.height, height) << "resource " << id;
        for (uint8_t invert : {0, 1}) {
          SCOPED_TRACE(::testing::Message() << "mask " << m << ", position " << position << ", reverse " << int{reverse}
                                            << ", invert " << int{invert});
          SelectMask(*transition, m, invert, reverse);
          std::vector<uint8_t> output(bytes);
          FrameBuffer descriptor = {output.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
          ASSERT_EQ(transition->RenderFrame(position, 0, &descriptor), RESULT_OK);
          std::vector<uint8_t> expected = host.frameA;
          MixLikeReference(expected, host.frameB, width, height, 0, frame, invert != 0);
          ASSERT_EQ(FirstDifference(output, expected), -1);
        }
      }
    }
  }
}

// With source A black and opaque, source B white and the mask used as
// stored, every output luma byte is the mask byte the pipeline used.
MaskPicture RecoverMask(IKavroVideoTransition& transition, RenderHost& host, uint32_t width, uint32_t height,
                        uint32_t position) {
  const size_t mainBytes = size_t{2} * width * height;
  const size_t bytes = static_cast<size_t>(FrameBytes(width, height));
  host.frameA.assign(bytes, 0);
  std::fill(host.frameA.begin() + static_cast<long>(mainBytes), host.frameA.end(), 255);
  host.frameB.assign(bytes, 255);
  std::vector<uint8_t> output(bytes);
  FrameBuffer descriptor = {output.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
  MaskPicture used;
  if (transition.RenderFrame(position, 0, &descriptor) != RESULT_OK) return used;
  used.width = width;
  used.height = height;
  used.rowBytes = (width + 1) & ~1u;
  used.bytes.assign(size_t{used.rowBytes} * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x)
      used.bytes[size_t{y} * used.rowBytes + x] = output[size_t{y} * 2 * width + 2 * x];
  }
  return used;
}

TEST_F(ShippedMaskRender, SmallerOutputsGetTheMaskCutToTheAskedProportionsAndScaled) {
  struct Case {
    uint32_t width, height;
    uint8_t cropToOutputAspect;
    uint32_t aspectWidth, aspectHeight;  // reported by source B
    uint32_t left, columns;              // of the 1920 x 1080 frame
  } cases[] = {
      {1280, 720, 0, 16, 9, 0, 1920}, {1280, 720, 0, 4, 3, 240, 1440}, {720, 576, 0, 16, 9, 0, 1920},
      {720, 576, 0, 4, 3, 240, 1440}, {720, 576, 1, 16, 9, 285, 1350},  // the output's 5:4
  };
  for (uint32_t m = 0; m < 3; ++m) {
    SelectMask(*transition, m, 1, 0);
    const uint32_t position = kMasks[m].frames / 2;
    const MaskPicture frame = Frame(static_cast<uint16_t>(kMasks[m].firstId + position));
    ASSERT_EQ(frame.width, 1920u);
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "mask " << m << ", " << c.width << " x " << c.height << ", B reports "
                                        << c.aspectWidth << ":" << c.aspectHeight
                                        << (c.cropToOutputAspect ? ", cut to the output" : ""));
      TransitionSetup setup = host.Setup(YuvAlphaFormat(c.width, c.height), c.cropToOutputAspect);
      ASSERT_NE(transition->SetSetup(&setup), nullptr);
      host.reportB = {c.aspectWidth, c.aspectHeight, 0};
      const MaskPicture used = RecoverMask(*transition, host, c.width, c.height, position);
      ASSERT_EQ(used.height, c.height) << "the frame rendered";
      const MaskPicture expected = CutAndScale(frame, c.left, c.columns, c.width, c.height);
      ASSERT_EQ(expected.height, c.height);
      EXPECT_EQ(used.bytes, expected.bytes);
    }
  }
}

}  // namespace
