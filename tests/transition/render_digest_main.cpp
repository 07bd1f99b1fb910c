// Renders a fixed set of frames with the shipped masks from seeded sources
// and prints one digest per frame, so the builds of both targets can be held
// to the same bytes. Loads the plug-in copy beside the shipped module in its
// own folder. Exit status 1 when a frame does not render.
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

namespace {

struct Case {
  const char* name;
  uint32_t width, height, stride;
  uint32_t mask, position;
  uint8_t invert, reverse, cropToOutputAspect;
  uint32_t aspectWidth, aspectHeight;  // what source B reports
};

// Full-size frames mix without fitting; the others go through the cut (in
// floating point) and the scaling, odd widths and gapped rows included.
const Case kCases[] = {
    {"paper-1920x1080", 1920, 1080, 0, 0, 239, 0, 0, 0, 16, 9},
    {"wafu1-1920x1080-inverted-reversed", 1920, 1080, 0, 1, 70, 1, 1, 0, 16, 9},
    {"wafu2-1920x1080", 1920, 1080, 0, 2, 150, 0, 0, 0, 16, 9},
    {"paper-720x576-from-4:3", 720, 576, 0, 0, 300, 1, 0, 0, 4, 3},
    {"wafu1-1280x720-cut-to-output", 1280, 720, 0, 1, 105, 0, 1, 1, 0, 0},
    {"wafu2-1001x333-stride-2010", 1001, 333, 2010, 2, 99, 1, 0, 0, 7, 5},
    {"paper-100x45-from-7:5", 100, 45, 0, 0, 400, 0, 0, 0, 7, 5},
};

}  // namespace

int main() {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_shipped"));
  if (!plugin.loaded()) {
    std::fprintf(stderr, "render_digest: %s\n", plugin.error().c_str());
    return 1;
  }
  int status = 0;
  uint32_t seed = 1;
  for (const Case& c : kCases) {
    TransitionPtr transition(plugin.Create());
    if (!transition) {
      std::fprintf(stderr, "render_digest: the factory failed\n");
      return 1;
    }
    RenderHost host;
    const size_t bytes = static_cast<size_t>(FrameBytes(c.width, c.height, c.stride));
    host.frameA = RandomBytes(bytes, seed++);
    host.frameB = RandomBytes(bytes, seed++);
    host.reportB = {c.aspectWidth, c.aspectHeight, 0};
    TransitionSetup setup = host.Setup(YuvAlphaFormat(c.width, c.height, c.stride), c.cropToOutputAspect);
    transition->SetSetup(&setup);
    SelectMask(*transition, c.mask, c.invert, c.reverse);

    std::vector<uint8_t> output(bytes);
    FrameBuffer descriptor = {output.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
    const int32_t result = transition->RenderFrame(c.position, 0, &descriptor);
    // An unmixed frame would also be identical on both targets: say so.
    const bool mixed = output != host.frameA;
    std::printf("%-36s result %" PRId32 " %s sources %016" PRIx64 " %016" PRIx64 " output %016" PRIx64 "\n", c.name,
                result, mixed ? "mixed" : "unmixed", Digest(host.frameA.data(), bytes),
                Digest(host.frameB.data(), bytes), Digest(output.data(), bytes));
    if (result != RESULT_OK || !mixed) status = 1;
  }
  return status;
}
