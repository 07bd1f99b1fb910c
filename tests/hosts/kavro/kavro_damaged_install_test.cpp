// kavro with plug-in copies whose installation is damaged: a resource module
// cut short, with its table or a frame overwritten by noise, not a module, or
// missing; a plug-in without the image library beside it. kavro says what is
// wrong in one line and never crashes; where the plug-in loads, the output is
// source A, as without any masks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KavroProgram.h"
#include "tests/media/ScratchFiles.h"
#include "tests/support/WineEmulation.h"

namespace {

std::vector<std::string> RenderArguments(const std::string& output, const std::string& plugin) {
  return {"render", "-o", output, "--size", "16x8", "--frames", "2", "--quiet", "--plugin", plugin};
}

bool OneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

TEST(KavroDamagedInstall, EachDamageIsExplainedInOneLineAndTheOutputIsSourceA) {
  const std::string folder = ScratchFolder("damaged_install");
  ProgramRun unmixed = RunKavro(RenderArguments(folder + "none.y4m", PluginCopy("kiv_none")));
  ASSERT_EQ(unmixed.exitCode, 0) << unmixed.err;
  const std::string sourceA = ReadBytes(folder + "none.y4m");
  ASSERT_FALSE(sourceA.empty());

  struct Case {
    const char* name;
    const char* says;
    const char* because;
  } cases[] = {
      {"cut_half", "kavro: masks not found (", " is damaged or not a module)"},
      {"cut_early", "kavro: masks not found (", " is damaged or not a module)"},
      {"not_a_module", "kavro: masks not found (", " is damaged or not a module)"},
      {"table_noise", "kavro: 0 of 479 frames of mask_paper", ""},
      {"png_noise", "kavro: 1 of 479 frames of mask_paper", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "table_noise" && UnderEmulatedWine()) {
      std::printf("table_noise %s\n", EmulatedWineFaultNote());
      continue;
    }
    const std::string output = folder + c.name + ".y4m";
    ProgramRun run = RunKavro(RenderArguments(output, PluginCopy(std::string("kiv_broken_") + c.name)));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    EXPECT_EQ(run.err.rfind(c.says, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.because), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string("Oldkiv_broken_") + c.name), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(output), sourceA);
  }
}

TEST(KavroDamagedInstall, APlugInWithoutItsImageLibraryIsRefusedInOneLine) {
  const std::string folder = ScratchFolder("without_image_library");
#if defined(_WIN32)
  const std::string plugin = PluginCopy("without_image_library\\kiv_without_image_library");
#else
  const std::string plugin = PluginCopy("without_image_library/kiv_without_image_library");
#endif
  ProgramRun run = RunKavro(RenderArguments(folder + "out.y4m", plugin));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(OneLine(run.err)) << run.err;
  EXPECT_EQ(run.err.rfind("kavro: cannot load " + plugin, 0), 0u) << run.err;
}

}  // namespace
