// Long runs in one process: thousands of objects made, set up, rendered and
// released, and the plug-in loaded and unloaded again and again. After a
// warm-up (allocator pools, first-use tables) the live heap, the process's
// memory and its handles must stay where they were.
//
// `make test` runs a shorter version; KIV_LONG_RUN=full (`make fuzz`) runs
// 10000 object cycles and 200 loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/ProcessUsage.h"
#include "tests/support/TestPaths.h"

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory back (up to 256 MB) to catch late
// uses; this program measures what the plug-in keeps, so freed memory is
// reused at once.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=0"; }
#endif

namespace {

struct RunLength {
  unsigned warmUp, measured;
};

bool FullLength() {
  const char* length = std::getenv("KIV_LONG_RUN");
  return length && std::strcmp(length, "full") == 0;
}

// A frame of one of three sizes with one of the three masks: decoded as it
// is, cut and scaled, or scaled up.
void CreateSetUpRenderRelease(const PluginLibrary& plugin, unsigned cycle, RenderHost& host) {
  static const uint32_t sizes[3][2] = {{36, 24}, {360, 240}, {10, 2}};
  const uint32_t* size = sizes[cycle / 3 % 3];
  const FrameFormat format = YuvAlphaFormat(size[0], size[1]);
  const uint64_t bytes = FrameBytes(size[0], size[1]);
  host.frameA.assign(static_cast<size_t>(bytes), static_cast<uint8_t>(cycle));
  host.frameB.assign(static_cast<size_t>(bytes), static_cast<uint8_t>(~cycle));
  host.calls.clear();
  IKavroVideoTransition* transition = plugin.Create();
  ASSERT_NE(transition, nullptr);
  SelectMask(*transition, cycle % 3, static_cast<uint8_t>(cycle & 1), static_cast<uint8_t>(cycle >> 1 & 1));
  TransitionSetup setup = host.Setup(format, static_cast<uint8_t>(cycle & 4));
  ASSERT_NE(transition->SetSetup(&setup), nullptr);
  std::vector<uint8_t> output(static_cast<size_t>(bytes));
  FrameBuffer descriptor = {output.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
  EXPECT_EQ(transition->RenderFrame(cycle, 0, &descriptor), RESULT_OK);
  transition->Release();
}

// Runs `round` warmUp + measured times and holds the end of the run to its
// measured start. The resident set of a sanitized heap swings with its
// allocator's pools, so there only the live heap is held flat and the
// resident set's range is shown.
template <typename Round>
void ExpectFlatOver(const char* what, RunLength length, uint64_t memorySlack, uint64_t heapSlackPerRound, Round round) {
  for (unsigned i = 0; i < length.warmUp; ++i) {
    round(i);
    if (::testing::Test::HasFatalFailure()) return;
  }
  const ProcessUsage before = CurrentProcessUsage();
  uint64_t lowest = before.memoryBytes, highest = before.memoryBytes;
  for (unsigned i = length.warmUp; i < length.warmUp + length.measured; ++i) {
    round(i);
    if (::testing::Test::HasFatalFailure()) return;
    if (i % (length.measured / 20) == 0) {
      const uint64_t memory = CurrentProcessUsage().memoryBytes;
      lowest = std::min(lowest, memory);
      highest = std::max(highest, memory);
    }
  }
  const ProcessUsage after = CurrentProcessUsage();
  std::cout << what << ", rounds " << length.warmUp << " to " << length.warmUp + length.measured << ": memory "
            << before.memoryBytes / 1024 << " KiB -> " << after.memoryBytes / 1024 << " KiB (range " << lowest / 1024
            << " to " << highest / 1024 << " KiB), live heap " << before.heapBytes << " -> " << after.heapBytes
            << " bytes, handles " << before.handles << " -> " << after.handles << std::endl;
  EXPECT_NE(after.memoryBytes, 0u) << "the process's memory can be measured";
  EXPECT_NE(after.heapBytes, 0u) << "the live heap can be measured";
  // Less than 8 bytes a round over the shortest run.
  EXPECT_LE(after.heapBytes, before.heapBytes + 8 * 1024 + heapSlackPerRound * length.measured);
  if (!HeapIsSanitized()) {
    EXPECT_LE(after.memoryBytes, before.memoryBytes + memorySlack);
  }
  EXPECT_LE(after.handles, before.handles);
}

TEST(LongRun, ObjectCyclesKeepMemoryAndHandlesFlat) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_render"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();
  RenderHost host;
  const RunLength length = FullLength() ? RunLength{1000, 9000} : RunLength{500, 2000};
  ExpectFlatOver("create, set up, render, release", length, 512 * 1024, 0,
                 [&](unsigned cycle) { CreateSetUpRenderRelease(plugin, cycle, host); });
}

TEST(LongRun, LoadingAndUnloadingThePluginKeepsNothing) {
  RenderHost host;
  const RunLength length = FullLength() ? RunLength{20, 180} : RunLength{10, 40};
  // What the runtimes beneath leave per load, none of it ours:
  // - with AddressSanitizer's runtime in the process, glibc stops reusing the
  //   exit-function entries a library's static destructors take (measured:
  //   260 bytes a load of the plug-in, none without the sanitizer);
  // - on Windows, libgcc's unwinder locks a mutex of its own when each of the
  //   two libraries registers its frames, and winpthreads makes a 20-byte
  //   record for it that nothing frees at unload (measured: 40 bytes a load).
#if defined(_WIN32)
  const uint64_t runtimeBytesPerLoad = 48;
#else
  const uint64_t runtimeBytesPerLoad = HeapIsSanitized() ? 320 : 0;
#endif
  ExpectFlatOver("load, render, unload", length, 1024 * 1024, runtimeBytesPerLoad, [&](unsigned round) {
    PluginLibrary plugin(SharedLibraryFileName(L"kiv_render"));
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    CreateSetUpRenderRelease(plugin, round, host);
  });
}

}  // namespace
