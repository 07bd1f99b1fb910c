// Plug-in copies beside a damaged copy of the render fixture module (cut
// short, its resource table or its first PNG overwritten with noise, a text
// file in its place) or beside none at all: each object is still made, and
// every frame whose mask cannot be read holds source A with result 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MaskModel.h"
#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WineEmulation.h"

namespace {

// Mask 1 of the render module is a 360 x 240 pattern, mask 0 a 640 x 360
// one; frames of 360 x 240 take mask 1 as it is.
const uint32_t kWidth = 360, kHeight = 240;

// Renders frame 0 of mask `maskIndex` and answers the output.
std::vector<uint8_t> RenderWith(const PluginLibrary& plugin, uint32_t maskIndex, RenderHost& host) {
  TransitionPtr transition(plugin.Create());
  EXPECT_TRUE(transition) << "a damaged resource module never stops an object being made";
  if (!transition) return {};
  SelectMask(*transition, maskIndex, 0, 0);
  const FrameFormat format = YuvAlphaFormat(kWidth, kHeight);
  TransitionSetup setup = host.Setup(format);
  transition->SetSetup(&setup);
  std::vector<uint8_t> output(host.frameA.size());
  FrameBuffer descriptor = {output.data(), output.size(), 0, 0, 0, {0, 0, 0, 0}};
  EXPECT_EQ(transition->RenderFrame(0, 0, &descriptor), RESULT_OK);
  return output;
}

class DamagedInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    const uint64_t bytes = FrameBytes(kWidth, kHeight);
    host.frameA = RandomBytes(static_cast<size_t>(bytes), 21);
    host.frameB = RandomBytes(static_cast<size_t>(bytes), 22);
  }
  RenderHost host;
};

TEST_F(DamagedInstall, AnUnreadableResourceModuleLeavesSourceAInEveryFrame) {
  std::vector<const wchar_t*> names = {L"kiv_broken_cut_half", L"kiv_broken_cut_early", L"kiv_broken_table_noise",
                                       L"kiv_broken_not_a_module", L"kiv_none"};
#if defined(_WIN32)
  names.push_back(L"kiv_broken_oversized_entries");
#endif
  for (const wchar_t* name : names) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
    if (std::wstring(name) == L"kiv_broken_table_noise" && UnderEmulatedWine()) {
      std::printf("kiv_broken_table_noise %s\n", EmulatedWineFaultNote());
      continue;
    }
    PluginLibrary plugin(SharedLibraryFileName(name));
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    for (uint32_t mask = 0; mask < 3; ++mask) {
      EXPECT_EQ(FirstDifference(RenderWith(plugin, mask, host), host.frameA), -1) << "mask " << mask;
    }
  }
}

TEST_F(DamagedInstall, ANoisyPngSpoilsOnlyTheFramesThatShowIt) {
  // The noise covers the module's first PNG, mask 0's frame.
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_broken_png_noise"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();
  EXPECT_EQ(FirstDifference(RenderWith(plugin, 0, host), host.frameA), -1);

  std::vector<uint8_t> expected = host.frameA;
  MixLikeReference(expected, host.frameB, kWidth, kHeight, 0, PatternPicture(kWidth, kHeight), false);
  ASSERT_NE(FirstDifference(expected, host.frameA), -1);
  EXPECT_EQ(FirstDifference(RenderWith(plugin, 1, host), expected), -1);
}

}  // namespace
