// The progress of a render into an encoded file counts the frames that have
// come out of the encoder, not the frames handed to it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "KavroProgram.h"
#include "hosting/LoadedPlugin.h"
#include "hosts/kavro/DefaultClips.h"
#include "hosts/kavro/FrameOutputs.h"
#include "hosts/kavro/Progress.h"
#include "hosts/kavro/RenderLoop.h"
#include "hosts/kavro/Sources.h"
#include "tests/media/ScratchFiles.h"

using namespace kavro;

namespace {

// The bars a Progress draws, kept in memory.
class DrawnBars {
 public:
  DrawnBars() : file_(open_memstream(&text_, &size_)) {}
  ~DrawnBars() {
    std::fclose(file_);
    std::free(text_);
  }
  std::FILE* file() const { return file_; }
  // The bar drawn last, without the control sequences around it.
  std::string Last() const {
    std::fflush(file_);
    const std::string text(text_, size_);
    const size_t start = text.rfind('\r');
    if (start == std::string::npos) return "";
    const std::string bar = text.substr(start + 1);
    return bar.substr(0, bar.find('\033'));
  }

 private:
  char* text_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

// H.264 looks 40 frames ahead, so none of ten frames is out of its encoder
// before it is drained; a YUV4MPEG2 frame is out once written.
TEST(KavroAvProgress, CountsTheFramesThatCameOutOfTheEncoder) {
  const std::string folder = ScratchFolder("av_progress");
  LoadedPlugin plugin(PluginCopy("kiv_none"));
  ASSERT_TRUE(plugin.error().empty()) << plugin.error();
  for (const std::string name : {"out.mp4", "out.y4m"}) {
    RenderSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.frames = 10;
    settings.threads = 2;
    HeldClip a(MakeDefaultSource(DefaultClip::kTestPattern, 64, 48));
    HeldClip b(MakeDefaultSource(DefaultClip::kGradient, 64, 48));
    OutputOptions options;
    options.y4mPath = folder + name;
    Y4mFormat header;
    header.width = 64;
    header.height = 48;
    header.chroma = Y4mChroma::k422;
    header.range = Y4mRange::kLimited;
    FrameOutputs outputs(options, header, settings.frames);
    DrawnBars bars;
    Progress progress(settings.frames, true, false, bars.file());
    EXPECT_EQ(RenderTransition(plugin.factory(), settings, a, b, outputs, progress), 10u);
    const std::string beforeDraining = bars.Last();
    if (name == "out.mp4") {
      EXPECT_EQ(beforeDraining.find("10/10"), std::string::npos) << beforeDraining;
    } else {
      EXPECT_NE(beforeDraining.find("] 10/10 frames"), std::string::npos) << beforeDraining;
    }
    outputs.Finish([&](uint32_t out) { progress.Update(out); });
    EXPECT_NE(bars.Last().find("] 10/10 frames"), std::string::npos) << name << ": " << bars.Last();
  }
}

}  // namespace
