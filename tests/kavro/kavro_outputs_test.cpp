// kavro's outputs end to end: what it refuses to overwrite, and what it
// leaves behind when writing fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroProgram.h"
#include "ScratchFiles.h"

namespace {

std::string UniformY4m(const std::string& header, int frames, size_t frameBytes, char value) {
  std::string bytes = "YUV4MPEG2 " + header + "\n";
  for (int f = 0; f < frames; ++f) bytes += "FRAME\n" + std::string(frameBytes, value);
  return bytes;
}

std::string NoMasks() { return PluginCopy("kiv_none"); }

TEST(KavroOutputs, RefusesAnOutputThatIsAnInputOrAnotherOutput) {
  const std::string folder = ScratchFolder("outputs_clash");
  const std::string clip = UniformY4m("W4 H2 C422", 2, 16, 'x');
  WriteBytes(folder + "victim.y4m", clip);
  WriteBytes(folder + "b.y4m", clip);
  std::filesystem::create_directories(folder + "sub");
  struct Case {
    std::vector<std::string> outputs;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-o", folder + "victim.y4m"}, "is source A"},
      {{"-o", folder + "sub/../victim.y4m"}, "is source A"},
      {{"-o", folder + "b.y4m"}, "is source B"},
      {{"--sheet", folder + "b.y4m"}, "is source B"},
      {{"-o", folder + "new.y4m", "--sheet", folder + "new.y4m"}, "name the same file"},
      {{"-o", folder + "new.y4m", "--sheet", folder + "sub/../new.y4m"}, "name the same file"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"render", folder + "victim.y4m", folder + "b.y4m", "--plugin", NoMasks()};
    arguments.insert(arguments.end(), c.outputs.begin(), c.outputs.end());
    const ProgramRun run = RunKavro(arguments);
    EXPECT_NE(run.exitCode, 0) << c.outputs.back();
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadBytes(folder + "victim.y4m"), clip);
    EXPECT_EQ(ReadBytes(folder + "b.y4m"), clip);
    EXPECT_FALSE(std::filesystem::exists(folder + "new.y4m")) << c.outputs.back();
  }
#if !defined(_WIN32)
  // A hard link is the same file under another name.
  std::filesystem::create_hard_link(folder + "victim.y4m", folder + "link.y4m");
  const ProgramRun run =
      RunKavro({"render", folder + "victim.y4m", folder + "b.y4m", "--plugin", NoMasks(), "-o", folder + "link.y4m"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(ReadBytes(folder + "victim.y4m"), clip);
#endif
}

}  // namespace
