// RenderFrame as a host sees it: a plug-in copy beside the render fixture
// frames (mask 0 a 640 x 360 pattern, mask 1 a 360 x 240 one, mask 2 a
// 10 x 2 one), fetches that record what they are asked, output buffers of
// exactly the frame's bytes so AddressSanitizer sees any overrun.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "MaskModel.h"
#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

namespace {

// A host's output frame: exactly `bytes` long, described by `descriptor`.
struct Output {
  explicit Output(uint64_t bytes) : memory(static_cast<size_t>(bytes)) {
    descriptor.data = memory.data();
    descriptor.size = bytes;
  }
  std::vector<uint8_t> memory;
  FrameBuffer descriptor = {};
};

class RenderFrame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    plugin = new PluginLibrary(SharedLibraryFileName(L"kiv_render"));
    withoutMasks = new PluginLibrary(SharedLibraryFileName(L"kiv_none"));
  }
  static void TearDownTestSuite() {
    delete plugin;
    delete withoutMasks;
  }
  void SetUp() override {
    ASSERT_TRUE(plugin->loaded()) << plugin->error();
    transition.reset(plugin->Create());
    ASSERT_TRUE(transition);
  }

  // Stores a setup of `format` whose sources are seeded random frames.
  void Prepare(const FrameFormat& format, uint8_t cropToOutputAspect = 0, uint32_t seed = 1) {
    const uint64_t bytes = FrameBytes(format.width, format.height, format.stride);
    host.frameA = RandomBytes(static_cast<size_t>(bytes), seed);
    host.frameB = RandomBytes(static_cast<size_t>(bytes), seed + 1000);
    TransitionSetup setup = host.Setup(format, cropToOutputAspect);
    ASSERT_NE(transition->SetSetup(&setup), nullptr);
    host.calls.clear();
  }

  // Renders into an output of exactly the frame's bytes and compares it with
  // source A mixed with source B under `mask`.
  void ExpectMixedUnder(const FrameFormat& format, const MaskPicture& mask, bool invert, uint32_t frameIndex = 0) {
    ASSERT_EQ(mask.width, format.width);
    ASSERT_EQ(mask.height, format.height);
    Output output(host.frameA.size());
    ASSERT_EQ(transition->RenderFrame(frameIndex, 0, &output.descriptor), RESULT_OK);
    std::vector<uint8_t> expected = host.frameA;
    MixLikeReference(expected, host.frameB, format.width, format.height, format.stride, mask, invert);
    EXPECT_EQ(FirstDifference(output.memory, expected), -1);
  }

  static PluginLibrary* plugin;
  static PluginLibrary* withoutMasks;
  TransitionPtr transition;
  RenderHost host;
};

PluginLibrary* RenderFrame::plugin = nullptr;
PluginLibrary* RenderFrame::withoutMasks = nullptr;

// How a request field must arrive: its mode, and whose values it carries
// (S the setup's, A what source A reported, B what source B reported).
struct Field {
  int32_t mode;
  char values;
};

struct LinkCase {
  int32_t aspectMode, auxMode;
  char first;  // the source fetched first
  Field aAspect, aAux, bAspect, bAux;
};

// Every combination of the two link modes. A mode that takes values from the
// other source makes that source go first and turns into 0 with the reported
// values; the fetched source itself is asked with 1. Nothing else changes: a
// request that takes values from the source fetched second keeps mode 2.
const LinkCase kLinkCases[] = {
    {0, 0, 'A', {0, 'S'}, {0, 'S'}, {0, 'S'}, {0, 'S'}}, {0, 1, 'A', {0, 'S'}, {1, 'S'}, {0, 'S'}, {1, 'S'}},
    {0, 2, 'A', {0, 'S'}, {1, 'S'}, {0, 'S'}, {0, 'A'}}, {0, 3, 'B', {0, 'S'}, {0, 'B'}, {0, 'S'}, {1, 'S'}},
    {1, 0, 'A', {1, 'S'}, {0, 'S'}, {1, 'S'}, {0, 'S'}}, {1, 1, 'A', {1, 'S'}, {1, 'S'}, {1, 'S'}, {1, 'S'}},
    {1, 2, 'A', {1, 'S'}, {1, 'S'}, {1, 'S'}, {0, 'A'}}, {1, 3, 'B', {1, 'S'}, {0, 'B'}, {1, 'S'}, {1, 'S'}},
    {2, 0, 'A', {1, 'S'}, {0, 'S'}, {0, 'A'}, {0, 'S'}}, {2, 1, 'A', {1, 'S'}, {1, 'S'}, {0, 'A'}, {1, 'S'}},
    {2, 2, 'A', {1, 'S'}, {1, 'S'}, {0, 'A'}, {0, 'A'}}, {2, 3, 'B', {1, 'S'}, {0, 'B'}, {2, 'S'}, {1, 'S'}},
    {3, 0, 'B', {0, 'B'}, {0, 'S'}, {1, 'S'}, {0, 'S'}}, {3, 1, 'B', {0, 'B'}, {1, 'S'}, {1, 'S'}, {1, 'S'}},
    {3, 2, 'B', {0, 'B'}, {1, 'S'}, {1, 'S'}, {2, 'S'}}, {3, 3, 'B', {0, 'B'}, {0, 'B'}, {1, 'S'}, {1, 'S'}},
};

TEST_F(RenderFrame, LinkModesDecideTheFetchOrderAndTheRequests) {
  const uint32_t setupAspect[2] = {11, 12}, reportedA[3] = {21, 22, 23}, reportedB[3] = {31, 32, 33};
  auto aspectOf = [&](char values) {
    if (values == 'A') return std::vector<uint32_t>{reportedA[0], reportedA[1]};
    if (values == 'B') return std::vector<uint32_t>{reportedB[0], reportedB[1]};
    return std::vector<uint32_t>{setupAspect[0], setupAspect[1]};
  };
  auto auxOf = [&](char values) { return values == 'A' ? reportedA[2] : values == 'B' ? reportedB[2] : 13u; };

  for (const LinkCase& c : kLinkCases) {
    SCOPED_TRACE(::testing::Message() << "aspectMode " << c.aspectMode << ", auxMode " << c.auxMode);
    FrameFormat format = YuvAlphaFormat(10, 2);
    format.aspectWidth = setupAspect[0];
    format.aspectHeight = setupAspect[1];
    format.auxValue = 13;
    format.aspectMode = static_cast<VALUE_SOURCE>(c.aspectMode);
    format.auxMode = static_cast<VALUE_SOURCE>(c.auxMode);
    Prepare(format);
    // FrameBuffer holds the vertical term first; the plug-in must not mix them up.
    host.reportA = {reportedA[0], reportedA[1], reportedA[2]};
    host.reportB = {reportedB[0], reportedB[1], reportedB[2]};
    Output output(64);
    ASSERT_EQ(transition->RenderFrame(0xFFFFFFF0u, -123456789, &output.descriptor), RESULT_OK);

    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].source, c.first);
    EXPECT_EQ(host.calls[1].source, c.first == 'A' ? 'B' : 'A');
    for (const FetchRecord& call : host.calls) {
      SCOPED_TRACE(::testing::Message() << "request " << call.source);
      const bool isA = call.source == 'A';
      const Field aspect = isA ? c.aAspect : c.bAspect;
      const Field aux = isA ? c.aAux : c.bAux;
      EXPECT_EQ(call.request.aspectMode, aspect.mode);
      EXPECT_EQ((std::vector<uint32_t>{call.request.aspectWidth, call.request.aspectHeight}), aspectOf(aspect.values));
      EXPECT_EQ(call.request.auxMode, aux.mode);
      EXPECT_EQ(call.request.auxValue, auxOf(aux.values));

      // Everything else reaches the fetch as the host gave it.
      EXPECT_EQ(call.userData, reinterpret_cast<uintptr_t>(&host));
      EXPECT_EQ(call.frameIndex, 0xFFFFFFF0u);
      EXPECT_EQ(call.fetchArg, -123456789);
      EXPECT_EQ(call.request.width, 10u);
      EXPECT_EQ(call.request.height, 2u);
      EXPECT_EQ(call.request.stride, 0u);
      EXPECT_EQ(call.request.totalFrames, 1000u);
      EXPECT_EQ(call.request.colorFormat, COLOR_FORMAT_YUV422_ALPHA);
      EXPECT_EQ(std::memcmp(call.request.reserved20, format.reserved20, sizeof format.reserved20), 0);
      EXPECT_EQ(std::memcmp(call.request.reserved44, format.reserved44, sizeof format.reserved44), 0);
      EXPECT_EQ(std::memcmp(call.request.reserved60, format.reserved60, sizeof format.reserved60), 0);
      if (isA) {
        EXPECT_EQ(call.buffer, &output.descriptor) << "source A goes straight into the host's output";
      } else {
        EXPECT_NE(call.buffer, &output.descriptor);
        EXPECT_NE(call.data, nullptr);
        EXPECT_EQ(call.size, 64u);
      }
    }
  }
}

TEST_F(RenderFrame, AFailingFetchEndsTheFrameAtOnce) {
  struct Case {
    int32_t auxMode;
    bool deliverA, deliverB;
    const char* fetched;
  } cases[] = {
      {0, false, true, "A"},   // A first fails: B is never asked
      {0, true, false, "AB"},  // B fails after A
      {3, true, false, "B"},   // B first fails: A is never asked
      {3, false, true, "BA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fetched);
    FrameFormat format = YuvAlphaFormat(10, 2);
    format.auxMode = static_cast<VALUE_SOURCE>(c.auxMode);
    Prepare(format);
    host.deliverA = c.deliverA;
    host.deliverB = c.deliverB;
    Output output(64);
    EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);
    std::string fetched;
    for (const FetchRecord& call : host.calls) fetched += call.source;
    EXPECT_EQ(fetched, c.fetched);
  }
}

TEST_F(RenderFrame, TheWorkBufferGrowsOnceIsKeptAndOfferedWhole) {
  const FrameFormat large = YuvAlphaFormat(64, 32);  // 4096 + 2048 bytes
  const FrameFormat small = YuvAlphaFormat(10, 2);   // 40 + 24 bytes
  SelectMask(*transition, 2, 0, 0);

  Prepare(large);
  Output first(6144);
  ASSERT_EQ(transition->RenderFrame(0, 0, &first.descriptor), RESULT_OK);
  ASSERT_EQ(host.calls.size(), 2u);
  const FetchRecord fetchedB = host.calls[1];
  EXPECT_EQ(fetchedB.size, 6144u);

  // The same geometry again: the same buffer, still holding what the first
  // fetch of B left in it, since this fetch delivers nothing new.
  const std::vector<uint8_t> previousB = host.frameB;
  host.calls.clear();
  host.frameB.clear();
  Output second(6144);
  ASSERT_EQ(transition->RenderFrame(0, 0, &second.descriptor), RESULT_OK);
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[1].data, fetchedB.data);
  EXPECT_EQ(host.calls[1].size, 6144u);
  // Mask 2 is 10 x 2; a 64 x 32 frame gets it scaled, so only compare with
  // the first render, which mixed the same sources under the same mask.
  EXPECT_EQ(FirstDifference(second.memory, first.memory), -1) << "source B was still in the kept buffer";
  host.frameB = previousB;

  // A smaller frame keeps the larger buffer and is offered all of it.
  Prepare(small);
  Output smaller(64);
  ASSERT_EQ(transition->RenderFrame(0, 0, &smaller.descriptor), RESULT_OK);
  EXPECT_EQ(host.calls[1].data, fetchedB.data);
  EXPECT_EQ(host.calls[1].size, 6144u);

  // Given back, the next frame gets a buffer of its own size.
  transition->ReleaseWorkBuffer();
  host.calls.clear();
  ASSERT_EQ(transition->RenderFrame(0, 0, &smaller.descriptor), RESULT_OK);
  EXPECT_EQ(host.calls[1].size, 64u);
}

TEST_F(RenderFrame, ATenByTwoFrameMixesItsAlphaRowsAtFortyAndFifty) {
  // 40 bytes of pixels, alpha rows at 40 and 50, 4 reserved bytes at 60..63
  // that must keep source A's values; mask 2 is already 10 x 2.
  for (uint8_t invert : {0, 1}) {
    SCOPED_TRACE(int{invert});
    SelectMask(*transition, 2, invert, 0);
    const FrameFormat format = YuvAlphaFormat(10, 2);
    Prepare(format, 0, 10 + invert);
    ASSERT_EQ(host.frameA.size(), 64u);
    ExpectMixedUnder(format, PatternPicture(10, 2), invert != 0);
    EXPECT_EQ(host.calls.at(1).size, 64u) << "the work buffer holds 64 bytes";
  }
}

TEST_F(RenderFrame, AWiderMaskIsCutToTheTargetProportionsThenScaled) {
  const MaskPicture wide = PatternPicture(640, 360);
  const FrameFormat format = YuvAlphaFormat(360, 240);
  struct Case {
    const char* name;
    uint8_t cropToOutputAspect;
    RenderHost::Report reportB;
    uint32_t left, columns;
  } cases[] = {
      {"4:3 reported by B", 0, {4, 3, 0}, 80, 480},
      {"the output's 3:2", 1, {4, 3, 0}, 50, 540},
      {"aspectHeight 0 reported by B: not cut", 0, {4, 0, 0}, 0, 640},
  };
  std::vector<MaskPicture> expectedMasks;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(format, c.cropToOutputAspect);
    host.reportB = c.reportB;
    expectedMasks.push_back(CutAndScale(wide, c.left, c.columns, 360, 240));
    ExpectMixedUnder(format, expectedMasks.back(), false);
  }
  // The three fits differ, so each comparison above tells its cut apart.
  EXPECT_NE(expectedMasks[0].bytes, expectedMasks[1].bytes);
  EXPECT_NE(expectedMasks[0].bytes, expectedMasks[2].bytes);
  EXPECT_NE(expectedMasks[1].bytes, expectedMasks[2].bytes);
}

TEST_F(RenderFrame, AMaskOfTheOutputSizeIsNeitherCutNorScaled) {
  SelectMask(*transition, 1, 1, 0);
  const FrameFormat format = YuvAlphaFormat(360, 240);
  for (uint8_t crop : {0, 1}) {
    Prepare(format, crop);
    host.reportB = {1, 1, 0};
    ExpectMixedUnder(format, PatternPicture(360, 240), true);
  }
}

TEST_F(RenderFrame, OddWidthsMixEveryPixelAndNothingBeyondTheirRows) {
  // Frames of 9 pixels: the row ends in a lone pixel, the alpha rows in 3
  // reserved bytes; with a stride of 22 each row is followed by 4 spare bytes.
  const MaskPicture wide = PatternPicture(640, 360);
  for (uint32_t stride : {0u, 22u}) {
    SCOPED_TRACE(stride);
    const FrameFormat format = YuvAlphaFormat(9, 3, stride);
    Prepare(format, 0, stride);
    host.reportB = {0, 0, 0};  // 0:0 cuts nothing
    ExpectMixedUnder(format, CutAndScale(wide, 0, 640, 9, 3), false);
  }
}

TEST_F(RenderFrame, WithoutAMaskFrameTheOutputHoldsSourceA) {
  const FrameFormat format = YuvAlphaFormat(10, 2);
  // No frames in the transition: both sources fetched, nothing mixed.
  FrameFormat empty = format;
  empty.totalFrames = 0;
  Prepare(empty);
  Output output(64);
  ASSERT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_OK);
  EXPECT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(output.memory, host.frameA);

  // 2^32 frames is not 0.
  FrameFormat many = format;
  many.totalFrames = uint64_t{1} << 32;
  SelectMask(*transition, 2, 0, 0);
  Prepare(many);
  ExpectMixedUnder(many, PatternPicture(10, 2), false);

  // No resource module: no mask frame.
  ASSERT_TRUE(withoutMasks->loaded()) << withoutMasks->error();
  TransitionPtr bare(withoutMasks->Create());
  ASSERT_TRUE(bare);
  TransitionSetup setup = host.Setup(format);
  ASSERT_NE(bare->SetSetup(&setup), nullptr);
  host.calls.clear();
  Output unmixed(64);
  ASSERT_EQ(bare->RenderFrame(3, 0, &unmixed.descriptor), RESULT_OK);
  EXPECT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(unmixed.memory, host.frameA);
}

TEST_F(RenderFrame, GeometryBeyondWhatCanBeAddressedIsRefusedBeforeAnything) {
  struct Case {
    uint32_t width, height, stride;
  } cases[] = {
      {65536, 65536, 0},    // T is 3 x 2^32: 0 in 32 bits
      {32768, 32768, 0},    // T is 3 x 2^30: fits 32 bits, not a 32-bit process
      {0x80000000u, 1, 0},  // 2 x width wraps
      {0x80000000u, 0, 0},  // no rows, but the row's bytes still wrap
      {1, 3, 0xFFFFFFFFu},  // stride x height wraps
      {4, 178956971, 0},    // 12 bytes a row: one row past 2^31 - 1
      {100, 1, 4},          // the one row would end at 200, T is 104
      {0xFFFFFFFDu, 0, 0},  // width + 3 wraps
  };
  Output output(64);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", stride " << c.stride);
    TransitionSetup setup = host.Setup(YuvAlphaFormat(c.width, c.height, c.stride));
    ASSERT_NE(transition->SetSetup(&setup), nullptr);
    host.calls.clear();
    output.descriptor.size = 0;  // a size of 0 trusts the buffer: the geometry alone decides
    EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);
    EXPECT_TRUE(host.calls.empty());
  }
  // Nothing was allocated for them: the first frame that renders gets a work
  // buffer of its own size.
  SelectMask(*transition, 2, 0, 0);
  Prepare(YuvAlphaFormat(10, 2));
  ExpectMixedUnder(YuvAlphaFormat(10, 2), PatternPicture(10, 2), false);
  EXPECT_EQ(host.calls.at(1).size, 64u);
}

TEST_F(RenderFrame, AGivenStrideIsUsedUnchangedEvenWhenRowsOverlap) {
  // 10 pixels a row, rows 12 bytes apart: each row overlaps the next; the
  // last row ends at 44, inside the 72 bytes of the frame.
  SelectMask(*transition, 0, 0, 0);
  const FrameFormat format = YuvAlphaFormat(10, 3, 12);
  Prepare(format);
  ASSERT_EQ(host.frameA.size(), 72u);
  host.reportB = {0, 0, 0};
  ExpectMixedUnder(format, CutAndScale(PatternPicture(640, 360), 0, 640, 10, 3), false);
}

TEST_F(RenderFrame, AnOutputThatCannotHoldTheFrameIsRefusedBeforeAnyFetch) {
  SelectMask(*transition, 2, 0, 0);
  const FrameFormat format = YuvAlphaFormat(10, 2);
  Prepare(format);
  EXPECT_EQ(transition->RenderFrame(0, 0, nullptr), RESULT_FAILED);
  Output output(64);
  output.descriptor.data = nullptr;
  EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);
  Output tooSmall(63);
  EXPECT_EQ(transition->RenderFrame(0, 0, &tooSmall.descriptor), RESULT_FAILED);
  EXPECT_TRUE(host.calls.empty());

  // Its exact size, and a size of 0 (the buffer is trusted), both render.
  ExpectMixedUnder(format, PatternPicture(10, 2), false);
  Output trusted(64);
  trusted.descriptor.size = 0;
  EXPECT_EQ(transition->RenderFrame(0, 0, &trusted.descriptor), RESULT_OK);
}

TEST_F(RenderFrame, AFetchThatCallsBackIntoTheObjectCannotPullItsBuffersAway) {
  SelectMask(*transition, 2, 0, 0);
  const FrameFormat format = YuvAlphaFormat(10, 2);

  // B's fetch gives the work buffer back: source B is gone, the frame fails.
  Prepare(format);
  host.during = [&](char source) {
    if (source == 'B') transition->ReleaseWorkBuffer();
  };
  Output output(64);
  EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);

  // A's fetch, made first, gives the work buffer back: B is never fetched
  // into the memory that went with it.
  Prepare(format);
  host.during = [&](char source) {
    if (source == 'A') transition->ReleaseWorkBuffer();
  };
  EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].source, 'A');

  // A's fetch stores another setup: this frame still renders as it began.
  Prepare(format);
  TransitionSetup other = host.Setup(YuvAlphaFormat(2000, 1000));
  host.during = [&](char source) {
    if (source == 'A') transition->SetSetup(&other);
  };
  ExpectMixedUnder(format, PatternPicture(10, 2), false);
  EXPECT_EQ(transition->GetSetup()->format.width, 2000u);
  host.during = nullptr;
}

#if !defined(_WIN32)
// Exceptions cross module boundaries on Linux only; a throwing fetch must not
// unwind through the host's call.
TEST_F(RenderFrame, AnExceptionFromAFetchEndsTheFrameAsFailed) {
  Prepare(YuvAlphaFormat(10, 2));
  host.during = [](char source) {
    if (source == 'B') throw std::runtime_error("host trouble");
  };
  Output output(64);
  EXPECT_EQ(transition->RenderFrame(0, 0, &output.descriptor), RESULT_FAILED);
}
#endif

}  // namespace
