// Each slot through the exported factory, as a host sees it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace {

struct Released {
  void operator()(IKavroVideoTransition* transition) const { transition->Release(); }
};
using Transition = std::unique_ptr<IKavroVideoTransition, Released>;

int fetchCalls = 0;
uint8_t CountingFetch(uintptr_t, FrameFormat*, uint32_t, int32_t, FrameBuffer*) {
  ++fetchCalls;
  return 1;
}

TransitionSetup MakeSetup(uint32_t width, uint32_t height, int32_t colorFormat) {
  TransitionSetup setup;
  std::memset(&setup, 0xA5, sizeof setup);  // padding and reserved bytes get a recognisable value
  setup.format.width = width;
  setup.format.height = height;
  setup.format.stride = 0;
  setup.format.aspectWidth = 16;
  setup.format.aspectHeight = 9;
  setup.format.totalFrames = 300;
  setup.format.colorFormat = static_cast<KIV_COLOR_FORMAT>(colorFormat);
  setup.format.auxValue = 7;
  setup.format.aspectMode = VALUE_SOURCE_GIVEN;
  setup.format.auxMode = VALUE_SOURCE_OWN;
  setup.userData = 0x1234;
  setup.fetchSourceA = CountingFetch;
  setup.fetchSourceB = CountingFetch;
  setup.cropToOutputAspect = 1;
  return setup;
}

MaskParameters ReadParameters(IKavroVideoTransition& transition) {
  ParameterDescriptor* descriptor = transition.GetParameters();
  MaskParameters block;
  std::memcpy(&block, descriptor->data, sizeof block);
  return block;
}

void WriteParameters(IKavroVideoTransition& transition, uint32_t maskIndex, uint8_t invert, uint8_t reverse) {
  MaskParameters block = {maskIndex, invert, reverse, {0, 0}};
  ParameterDescriptor descriptor = {&block, sizeof block};
  transition.SetParameters(&descriptor);
}

class PluginInterface : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plugin = new PluginLibrary(SharedLibraryFileName(L"kiv_complete")); }
  static void TearDownTestSuite() {
    delete plugin;
    plugin = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(plugin->loaded()) << plugin->error();
    transition.reset(plugin->Create());
    ASSERT_TRUE(transition);
    fetchCalls = 0;
  }

  static PluginLibrary* plugin;
  Transition transition;
};

PluginLibrary* PluginInterface::plugin = nullptr;

TEST_F(PluginInterface, FactoryRefusesANullDestination) { EXPECT_EQ(plugin->factory()(nullptr), 0); }

TEST_F(PluginInterface, ReportsVersionOneZeroZero) {
  const TransitionVersion* version = transition->GetVersion();
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->major, 1u);
  EXPECT_EQ(version->minor, 0u);
  EXPECT_EQ(version->revision, 0u);
}

TEST_F(PluginInterface, SupportsOnlyYuv422WithAlpha) {
  kiv::vector<KIV_COLOR_FORMAT>* formats = transition->GetSupportedFormats();
  ASSERT_NE(formats, nullptr);
  EXPECT_EQ(formats->count, 1u);
  EXPECT_EQ(formats->capacity, 16u);
  EXPECT_EQ(formats->items[0], COLOR_FORMAT_YUV422_ALPHA);
  // The byte right behind the list is set once the formats are listed.
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(formats)[sizeof *formats], 1u);
}

TEST_F(PluginInterface, ReservedSlotsAnswerZeroAndChangeNothing) {
  for (uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) EXPECT_EQ(transition->Reserved0(value), 0u);
  EXPECT_EQ(transition->Reserved8(), 0u);
  TransitionSetup setup = MakeSetup(64, 32, COLOR_FORMAT_YUV422_ALPHA);
  TransitionSetup* stored = transition->SetSetup(&setup);
  WriteParameters(*transition, 2, 1, 1);
  transition->Reserved9(5);
  transition->Reserved10(6);
  transition->Reserved11();
  EXPECT_EQ(transition->GetSetup(), stored);
  EXPECT_EQ(std::memcmp(&stored->format, &setup.format, sizeof setup.format), 0);
  MaskParameters block = ReadParameters(*transition);
  EXPECT_EQ(block.maskIndex, 2u);
  EXPECT_EQ(block.invert, 1u);
  EXPECT_EQ(block.reverse, 1u);
}

TEST_F(PluginInterface, StoresItsOwnCopyOfTheSetup) {
  EXPECT_EQ(transition->GetSetup(), nullptr);
  TransitionSetup first = MakeSetup(64, 32, COLOR_FORMAT_YUV422_ALPHA);
  TransitionSetup* copy = transition->SetSetup(&first);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, &first);
  EXPECT_EQ(transition->GetSetup(), copy);
  EXPECT_EQ(std::memcmp(&copy->format, &first.format, sizeof first.format), 0)
      << "all 64 bytes of the format, reserved ones included, are kept";
  EXPECT_EQ(copy->userData, first.userData);
  EXPECT_EQ(copy->fetchSourceA, first.fetchSourceA);
  EXPECT_EQ(copy->fetchSourceB, first.fetchSourceB);
  EXPECT_EQ(copy->cropToOutputAspect, first.cropToOutputAspect);

  first.format.width = 999;  // the host's record is not referenced after the call
  EXPECT_EQ(transition->GetSetup()->format.width, 64u);

  TransitionSetup second = MakeSetup(1920, 1080, COLOR_FORMAT_YUV422_ALPHA);
  second.format.totalFrames = uint64_t{1} << 32;
  TransitionSetup* replaced = transition->SetSetup(&second);
  ASSERT_NE(replaced, nullptr);
  EXPECT_EQ(transition->GetSetup(), replaced);
  EXPECT_EQ(replaced->format.width, 1920u);
  EXPECT_EQ(replaced->format.totalFrames, uint64_t{1} << 32);
}

TEST_F(PluginInterface, SetSetupTakesBackItsOwnCopyEditedInPlace) {
  TransitionSetup setup = MakeSetup(64, 32, COLOR_FORMAT_YUV422_ALPHA);
  ASSERT_NE(transition->SetSetup(&setup), nullptr);
  // Many hosts edit what GetSetup gave them and hand it straight back.
  TransitionSetup* edited = transition->GetSetup();
  edited->format.width = 1920;
  edited->format.height = 1080;
  edited->format.totalFrames = 500;
  edited->userData = 0x5678;
  TransitionSetup expected = *edited;
  for (int round = 0; round < 3; ++round) {  // edited once, then handed back unchanged
    SCOPED_TRACE(round);
    TransitionSetup* copy = transition->SetSetup(transition->GetSetup());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(transition->GetSetup(), copy);
    EXPECT_EQ(std::memcmp(&copy->format, &expected.format, sizeof expected.format), 0);
    EXPECT_EQ(copy->userData, 0x5678u);
    EXPECT_EQ(copy->fetchSourceA, &CountingFetch);
    EXPECT_EQ(copy->fetchSourceB, &CountingFetch);
    EXPECT_EQ(copy->cropToOutputAspect, 1);
  }
}

TEST_F(PluginInterface, NullSetupLeavesNoSetup) {
  TransitionSetup setup = MakeSetup(64, 32, COLOR_FORMAT_YUV422_ALPHA);
  ASSERT_NE(transition->SetSetup(&setup), nullptr);
  EXPECT_EQ(transition->SetSetup(nullptr), nullptr);
  EXPECT_EQ(transition->GetSetup(), nullptr);
  EXPECT_EQ(transition->RenderFrame(0, 0, nullptr), RESULT_NOT_SET_UP);
}

TEST_F(PluginInterface, NewObjectHasDefaultParameters) {
  ParameterDescriptor* descriptor = transition->GetParameters();
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor->size, 8u);
  EXPECT_EQ(transition->GetParameters(), descriptor) << "the descriptor never moves";
  MaskParameters block = ReadParameters(*transition);
  EXPECT_EQ(block.maskIndex, 0u);
  EXPECT_EQ(block.invert, 0u);
  EXPECT_EQ(block.reverse, 0u);
}

TEST_F(PluginInterface, StoresEveryMaskIndexItIsGiven) {
  for (uint32_t index : {1u, 2u, 0u, 3u, 0xFFFFFFFFu}) {
    WriteParameters(*transition, index, 5, 1);
    MaskParameters block = ReadParameters(*transition);
    EXPECT_EQ(block.maskIndex, index);
    EXPECT_EQ(block.invert, 5u) << "flags are stored as given";
    EXPECT_EQ(block.reverse, 1u);
  }
}

TEST_F(PluginInterface, ReadsParametersFromAnyAddressAndIgnoresTheSpareBytes) {
  alignas(8) uint8_t bytes[16] = {};
  uint8_t* block = bytes + 1;  // deliberately misaligned
  // Size 0 means the block is trusted; any size from 6 on holds the three values.
  for (uint64_t size : {uint64_t{0}, uint64_t{6}, uint64_t{8}, uint64_t{15}, ~uint64_t{0}}) {
    SCOPED_TRACE(size);
    const uint8_t values[8] = {static_cast<uint8_t>(size % 3), 0, 0, 0, 1, 1, 0xEE, 0xFF};
    std::memcpy(block, values, sizeof values);
    ParameterDescriptor descriptor = {block, size};
    transition->SetParameters(&descriptor);
    MaskParameters stored = ReadParameters(*transition);
    EXPECT_EQ(stored.maskIndex, size % 3);
    EXPECT_EQ(stored.invert, 1u);
    EXPECT_EQ(stored.reverse, 1u);
    WriteParameters(*transition, 1, 0, 0);
  }
}

TEST_F(PluginInterface, ABlockTooShortForTheParametersChangesNothing) {
  WriteParameters(*transition, 1, 1, 0);
  for (uint64_t size = 1; size < 6; ++size) {
    SCOPED_TRACE(size);
    // Exactly as long as it claims, so reading past it shows up under the address sanitizer.
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
    std::memset(block.get(), 2, size);
    ParameterDescriptor descriptor = {block.get(), size};
    transition->SetParameters(&descriptor);
    MaskParameters stored = ReadParameters(*transition);
    EXPECT_EQ(stored.maskIndex, 1u);
    EXPECT_EQ(stored.invert, 1u);
    EXPECT_EQ(stored.reverse, 0u);
  }
}

TEST_F(PluginInterface, IgnoresADescriptorWithoutABlock) {
  WriteParameters(*transition, 1, 1, 0);
  transition->SetParameters(nullptr);
  ParameterDescriptor empty = {nullptr, 8};
  transition->SetParameters(&empty);
  MaskParameters block = ReadParameters(*transition);
  EXPECT_EQ(block.maskIndex, 1u);
  EXPECT_EQ(block.invert, 1u);
}

TEST_F(PluginInterface, RenderFrameNeedsASetupAndTheSupportedFormat) {
  FrameBuffer output = {};
  EXPECT_EQ(transition->RenderFrame(0, 0, &output), RESULT_NOT_SET_UP);
  for (int32_t format : {1, 5, 11, 13, -1}) {
    TransitionSetup setup = MakeSetup(10, 2, format);
    ASSERT_NE(transition->SetSetup(&setup), nullptr);
    EXPECT_EQ(transition->RenderFrame(0, 0, &output), RESULT_FAILED) << "format " << format;
  }
  EXPECT_EQ(fetchCalls, 0) << "nothing is fetched before the checks pass";
}

TEST_F(PluginInterface, ReleasingAnAbsentWorkBufferIsHarmless) {
  transition->ReleaseWorkBuffer();
  transition->ReleaseWorkBuffer();
  EXPECT_EQ(transition->GetSetup(), nullptr);
}

TEST_F(PluginInterface, ObjectsAliveTogetherKeepTheirOwnState) {
  std::vector<Transition> objects;
  for (uint32_t i = 0; i < 12; ++i) {
    objects.emplace_back(plugin->Create());
    ASSERT_TRUE(objects.back());
    WriteParameters(*objects.back(), i % 3, static_cast<uint8_t>(i & 1), static_cast<uint8_t>(i % 3 == 2));
    TransitionSetup setup = MakeSetup(16 + i, 8, COLOR_FORMAT_YUV422_ALPHA);
    ASSERT_NE(objects.back()->SetSetup(&setup), nullptr);
  }
  objects.erase(objects.begin() + 3, objects.begin() + 7);  // some released while others live on
  for (auto& object : objects) {
    uint32_t i = object->GetSetup()->format.width - 16;
    MaskParameters block = ReadParameters(*object);
    EXPECT_EQ(block.maskIndex, i % 3);
    EXPECT_EQ(block.invert, i & 1);
    EXPECT_EQ(block.reverse, i % 3 == 2 ? 1u : 0u);
  }
}

TEST_F(PluginInterface, CreateAndReleaseRepeatedlyLeavesNothingBehind) {
  // Leaks show up under LeakSanitizer on Linux.
  for (int i = 0; i < 200; ++i) {
    Transition object(plugin->Create());
    ASSERT_TRUE(object);
    TransitionSetup setup = MakeSetup(32, 16, COLOR_FORMAT_YUV422_ALPHA);
    object->SetSetup(&setup);
    object->SetSetup(&setup);
    WriteParameters(*object, static_cast<uint32_t>(i % 4), 0, 1);
  }
}

// No resource module beside the plug-in, or one whose directory is damaged
// (on POSIX targets: it claims 0x0FFFFFF0 entries in a few dozen bytes).
TEST(PluginWithoutUsableResources, StillCreatesWorkingObjects) {
  std::vector<std::wstring> plugins = {L"kiv_none"};
#if !defined(_WIN32)
  plugins.push_back(L"kiv_damaged_huge_count");
#endif
  for (const std::wstring& stem : plugins) {
    SCOPED_TRACE(::testing::PrintToString(stem));
    PluginLibrary plugin(SharedLibraryFileName(stem));
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    Transition transition(plugin.Create());
    ASSERT_TRUE(transition);
    WriteParameters(*transition, 2, 0, 1);
    EXPECT_EQ(ReadParameters(*transition).maskIndex, 2u);
  }
}

}  // namespace
