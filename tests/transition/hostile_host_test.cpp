// A host that hands the plug-in every extreme it can: setups whose fields are
// 0, 1, odd or all ones, fetches that report absurd proportions or fail at
// every step, parameter blocks of every size. The host's output frames sit
// against guard pages, so a byte written or read outside them faults at once
// on both targets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RenderHost.h"
#include "tests/support/GuardedBuffer.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

namespace {

const uint32_t kExtremes[] = {0, 1, 7, 0xFFFFFFFFu};
// Frames the host is willing to hold; anything larger gets a small buffer
// that says how small it is.
const uint64_t kLargestHeldFrame = 1u << 20;

// Whether a frame of this geometry can be rendered at all: it and its rows
// fit in 2^31 - 1 bytes, and the last row ends inside it.
bool Addressable(const FrameFormat& format) {
  const uint64_t rowBytes = 2 * uint64_t{format.width};
  const uint64_t stride = format.stride != 0 ? format.stride : rowBytes;
  const uint64_t total = FrameBytes(format.width, format.height, format.stride);
  if (rowBytes > 0x7FFFFFFF || total > 0x7FFFFFFF) return false;
  return format.height == 0 || (uint64_t{format.height} - 1) * stride + rowBytes <= total;
}

class HostileHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plugin = new PluginLibrary(SharedLibraryFileName(L"kiv_render")); }
  static void TearDownTestSuite() { delete plugin; }
  void SetUp() override {
    ASSERT_TRUE(plugin->loaded()) << plugin->error();
    transition.reset(plugin->Create());
    ASSERT_TRUE(transition);
  }

  // Stores the setup, renders into a guarded output and answers the result.
  // The output is the frame's exact size, stated or left 0 as asked, or a
  // small stated buffer when the frame is larger than a host would hold.
  int32_t Render(const FrameFormat& format, uint8_t crop, GuardedBuffer::Side side, bool stateSize,
                 uint32_t frameIndex = 0) {
    const uint64_t bytes = FrameBytes(format.width, format.height, format.stride);
    const bool held = bytes <= kLargestHeldFrame;
    host.frameA = RandomBytes(held ? static_cast<size_t>(bytes) : 0, 1);
    host.frameB = RandomBytes(held ? static_cast<size_t>(bytes) : 0, 2);
    TransitionSetup setup = host.Setup(format, crop);
    if (transition->SetSetup(&setup) == nullptr) return -1;
    host.calls.clear();
    GuardedBuffer memory(held ? static_cast<size_t>(bytes) : 64, side);
    FrameBuffer output = {};
    output.data = memory.data();
    output.size = held && !stateSize ? 0 : memory.size();
    return transition->RenderFrame(frameIndex, -1, &output);
  }

  static PluginLibrary* plugin;
  TransitionPtr transition;
  RenderHost host;
};

PluginLibrary* HostileHost::plugin = nullptr;

TEST_F(HostileHost, EveryGeometryOfExtremeFieldsGetsItsResultAndStaysInItsBuffers) {
  const uint64_t totals[] = {0, 1, 7, ~uint64_t{0}};
  const uint32_t formats[] = {COLOR_FORMAT_YUV422_ALPHA, 0, 1, 0xFFFFFFFFu};
  const uint32_t modes[] = {0, 1, 2, 3, 7, 0xFFFFFFFFu};
  int variant = 0;
  for (uint32_t width : kExtremes) {
    for (uint32_t height : kExtremes) {
      for (uint32_t stride : kExtremes) {
        // The other fields walk through their extremes from one geometry to
        // the next, so each value meets many geometries.
        ++variant;
        FrameFormat format = YuvAlphaFormat(width, height, stride);
        format.aspectWidth = kExtremes[variant % 4];
        format.aspectHeight = kExtremes[(variant / 4) % 4];
        format.totalFrames = totals[(variant + 1) % 4];
        format.colorFormat = static_cast<KIV_COLOR_FORMAT>(formats[variant % 8 == 0 ? 1 + variant / 8 % 3 : 0]);
        format.auxValue = kExtremes[(variant + 2) % 4];
        format.aspectMode = static_cast<VALUE_SOURCE>(modes[variant % 6]);
        format.auxMode = static_cast<VALUE_SOURCE>(modes[(variant / 6) % 6]);
        const uint8_t crop = variant % 3 == 0 ? 0xFF : variant % 3;
        host.reportA = {kExtremes[variant % 4], kExtremes[(variant + 3) % 4], 0xFFFFFFFFu};
        host.reportB = {kExtremes[(variant + 1) % 4], kExtremes[(variant / 3) % 4], 0};
        SelectMask(*transition, variant % 3, static_cast<uint8_t>(variant), static_cast<uint8_t>(variant / 3));

        const bool supported = format.colorFormat == COLOR_FORMAT_YUV422_ALPHA;
        const bool held = FrameBytes(width, height, stride) <= kLargestHeldFrame;
        const int32_t expected = supported && Addressable(format) && held ? RESULT_OK : RESULT_FAILED;
        for (GuardedBuffer::Side side : {GuardedBuffer::kGuardAfter, GuardedBuffer::kGuardBefore}) {
          for (bool stateSize : {true, false}) {
            SCOPED_TRACE(::testing::Message()
                         << width << " x " << height << " stride " << stride << " format " << format.colorFormat
                         << " frames " << format.totalFrames << " side " << side << " size stated " << stateSize);
            EXPECT_EQ(Render(format, crop, side, stateSize, kExtremes[variant % 4]), expected);
            EXPECT_EQ(host.calls.size(), expected == RESULT_OK ? 2u : 0u) << "nothing is fetched before a refusal";
          }
        }
      }
    }
  }
}

TEST_F(HostileHost, AbsurdReportedProportionsStillGiveAFrame) {
  // Mask 0 is 640 x 360 and must be fitted to 7 x 5; source B's report picks
  // the proportions it is cut to.
  const uint32_t terms[] = {0, 1, 7, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
  SelectMask(*transition, 0, 0, 0);
  for (uint32_t aspectWidth : terms) {
    for (uint32_t aspectHeight : terms) {
      SCOPED_TRACE(::testing::Message() << aspectWidth << " : " << aspectHeight);
      host.reportA = {aspectWidth, aspectHeight, aspectWidth};
      host.reportB = {aspectWidth, aspectHeight, aspectHeight};
      FrameFormat format = YuvAlphaFormat(7, 5);
      format.aspectMode = VALUE_SOURCE_FROM_B;
      ASSERT_EQ(Render(format, 0, GuardedBuffer::kGuardAfter, true), RESULT_OK);
      ASSERT_EQ(host.calls.size(), 2u);
      EXPECT_EQ(host.calls[1].request.aspectWidth, aspectWidth) << "A is asked with what B reported";
      EXPECT_EQ(host.calls[1].request.aspectHeight, aspectHeight);
    }
  }
}

TEST_F(HostileHost, AFetchFailingAtAnyStepFailsTheFrameAndStopsTheFetches) {
  struct Step {
    uint32_t auxMode;  // 3 fetches B first
    bool deliverA, deliverB, missingA, missingB;
    const char* fetched;
  } steps[] = {
      {0, false, true, false, false, "A"},  {0, true, false, false, false, "AB"}, {3, true, false, false, false, "B"},
      {3, false, true, false, false, "BA"}, {0, true, true, true, false, ""},     {0, true, true, false, true, "A"},
      {3, true, true, false, true, ""},     {3, true, true, true, false, "B"},    {0, false, false, false, false, "A"},
      {3, false, false, false, false, "B"},
  };
  for (const Step& step : steps) {
    for (uint32_t frames : {0u, 1u}) {
      SCOPED_TRACE(::testing::Message() << "fetched " << step.fetched << ", frames " << frames);
      FrameFormat format = YuvAlphaFormat(7, 3);
      format.totalFrames = frames;
      format.auxMode = static_cast<VALUE_SOURCE>(step.auxMode);
      const uint64_t bytes = FrameBytes(7, 3);
      host.frameA = RandomBytes(static_cast<size_t>(bytes), 3);
      host.frameB = RandomBytes(static_cast<size_t>(bytes), 4);
      host.deliverA = step.deliverA;
      host.deliverB = step.deliverB;
      TransitionSetup setup = host.Setup(format);
      if (step.missingA) setup.fetchSourceA = nullptr;
      if (step.missingB) setup.fetchSourceB = nullptr;
      ASSERT_NE(transition->SetSetup(&setup), nullptr);
      host.calls.clear();
      GuardedBuffer memory(static_cast<size_t>(bytes), GuardedBuffer::kGuardAfter);
      FrameBuffer output = {memory.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
      EXPECT_EQ(transition->RenderFrame(0, 0, &output), RESULT_FAILED);
      std::string fetched;
      for (const FetchRecord& call : host.calls) fetched += call.source;
      EXPECT_EQ(fetched, step.fetched);
    }
  }
}

TEST_F(HostileHost, ParameterBlocksOfEverySizeAndContentAreTakenOrLeftWhole) {
  struct Block {
    uint32_t maskIndex;
    uint8_t invert, reverse;
  };
  const Block blocks[] = {{0, 0, 0}, {2, 1, 1}, {3, 0xFF, 0xFF}, {0xFFFFFFFFu, 0x80, 7}, {1, 0, 0xFF}};
  const uint64_t sizes[] = {0, 1, 5, 6, 7, 8, 0xFFFFFFFFu, ~uint64_t{0}};
  for (const Block& block : blocks) {
    for (uint64_t size : sizes) {
      SCOPED_TRACE(::testing::Message() << "mask " << block.maskIndex << ", size " << size);
      const ParameterDescriptor before = *transition->GetParameters();
      uint8_t previous[6];
      std::memcpy(previous, before.data, sizeof previous);
      // The block ends where the guard page starts: six bytes are all there is.
      GuardedBuffer memory(6, GuardedBuffer::kGuardAfter);
      std::memcpy(memory.data(), &block.maskIndex, 4);
      memory.data()[4] = block.invert;
      memory.data()[5] = block.reverse;
      ParameterDescriptor descriptor = {memory.data(), size};
      transition->SetParameters(&descriptor);
      const ParameterDescriptor* after = transition->GetParameters();
      ASSERT_NE(after, nullptr);
      EXPECT_EQ(after->size, 8u);
      const bool taken = size == 0 || size >= 6;
      EXPECT_EQ(std::memcmp(after->data, taken ? memory.data() : previous, 6), 0);

      // Whatever was chosen, a frame still renders.
      EXPECT_EQ(Render(YuvAlphaFormat(7, 3), 0, GuardedBuffer::kGuardAfter, true), RESULT_OK);
    }
  }
  ParameterDescriptor empty = {nullptr, 8};
  transition->SetParameters(&empty);
  transition->SetParameters(nullptr);
  EXPECT_EQ(Render(YuvAlphaFormat(7, 3), 0, GuardedBuffer::kGuardAfter, true), RESULT_OK);
}

TEST_F(HostileHost, AMissingOrEmptyOutputIsRefusedBeforeAnyFetch) {
  const FrameFormat format = YuvAlphaFormat(7, 3);
  host.frameA = RandomBytes(static_cast<size_t>(FrameBytes(7, 3)), 5);
  host.frameB = host.frameA;
  TransitionSetup setup = host.Setup(format);
  ASSERT_NE(transition->SetSetup(&setup), nullptr);
  host.calls.clear();
  FrameBuffer noData = {nullptr, 0, 0, 0, 0, {0, 0, 0, 0}};
  EXPECT_EQ(transition->RenderFrame(0, 0, nullptr), RESULT_FAILED);
  EXPECT_EQ(transition->RenderFrame(0, 0, &noData), RESULT_FAILED);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(transition->SetSetup(nullptr), nullptr);
  GuardedBuffer memory(static_cast<size_t>(FrameBytes(7, 3)), GuardedBuffer::kGuardAfter);
  FrameBuffer output = {memory.data(), memory.size(), 0, 0, 0, {0, 0, 0, 0}};
  EXPECT_EQ(transition->RenderFrame(0, 0, &output), RESULT_NOT_SET_UP) << "a null record leaves no setup";
}

}  // namespace
