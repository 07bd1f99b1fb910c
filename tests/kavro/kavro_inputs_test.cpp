// kavro end to end on sources of unusual shapes and kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KavroProgram.h"
#include "ScratchFiles.h"
#include "Y4mReader.h"

using namespace kavro;

namespace {

// A C422 clip whose every frame is Y `luma`, chroma 128.
std::string Uniform422(int width, int height, int frames, uint8_t luma, const std::string& extra = "") {
  std::string bytes = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " C422" + extra + "\n";
  const size_t lumaBytes = static_cast<size_t>(width) * height;
  const size_t chromaBytes = static_cast<size_t>((width + 1) / 2) * height * 2;
  for (int f = 0; f < frames; ++f)
    bytes += "FRAME\n" + std::string(lumaBytes, static_cast<char>(luma)) + std::string(chromaBytes, '\x80');
  return bytes;
}

struct Output {
  Y4mFormat format;
  std::vector<Picture> frames;
};

Output ReadOutput(const std::string& path) {
  Output output;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    ADD_FAILURE() << "no output " << path;
    return output;
  }
  try {
    Y4mReader reader(file, path);
    output.format = reader.format();
    std::vector<uint8_t> planes;
    while (reader.ReadFrame(planes)) output.frames.push_back(Y4mPlanesToPicture(reader.format(), planes.data()));
  } catch (const MediaError& error) {
    ADD_FAILURE() << error.what();
  }
  std::fclose(file);
  return output;
}

// Fitted to B's 2:4096, the 16:9 mask once kept no column, the fitting
// failed and every frame stayed A.
TEST(KavroInputs, AVeryTallFrameIsWipedToTheEnd) {
  const std::string folder = ScratchFolder("inputs_tall");
  WriteBytes(folder + "a.y4m", Uniform422(2, 4096, 3, 16));
  WriteBytes(folder + "b.y4m", Uniform422(2, 4096, 3, 235));
  for (const char* crop : {"", "--crop-to-output"}) {
    std::vector<std::string> arguments = {"render",           folder + "a.y4m", folder + "b.y4m",         "-o",
                                          folder + "out.y4m", "--plugin",       PluginCopy("kiv_shipped")};
    if (*crop) arguments.push_back(crop);
    const ProgramRun run = RunKavro(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Output out = ReadOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 3u);
    EXPECT_EQ(out.frames[0].y, std::vector<uint8_t>(2 * 4096, 16)) << crop;
    EXPECT_EQ(out.frames[2].y, std::vector<uint8_t>(2 * 4096, 235)) << crop;
  }
}

}  // namespace
