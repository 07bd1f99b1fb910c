// Several transition objects of one loaded plug-in, each made, set up,
// rendered and released on its own thread, all at the same time. Every frame
// must come out as the same frame rendered alone; under ThreadSanitizer the
// run must also be free of data races.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <thread>
#include <vector>

#include "RenderHost.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

namespace {

const unsigned kThreads = 4;
const unsigned kObjectsPerThread = 12;
const uint32_t kFrames[] = {0, 5, 1000};

struct Work {
  uint32_t mask;
  uint8_t invert, reverse;
  FrameFormat format;
};

// Each thread's objects vary the mask, its flags and the geometry, so the
// threads decode, cut and scale different frames at the same time.
Work WorkFor(unsigned thread, unsigned object) {
  const unsigned n = thread * kObjectsPerThread + object;
  Work work{n % 3, static_cast<uint8_t>(n / 3 % 2), static_cast<uint8_t>(n / 6 % 2), YuvAlphaFormat(0, 0)};
  work.format = YuvAlphaFormat(n % 2 ? 36 : 10, n % 2 ? 24 : 2);
  work.format.aspectMode = n % 4 == 1 ? VALUE_SOURCE_FROM_B : VALUE_SOURCE_GIVEN;
  return work;
}

// The digests of each frame of one object's work; empty when a step failed.
std::vector<uint64_t> RenderAll(const PluginLibrary& plugin, const Work& work) {
  RenderHost host;
  const uint64_t bytes = FrameBytes(work.format.width, work.format.height);
  host.frameA = RandomBytes(static_cast<size_t>(bytes), work.mask + 1);
  host.frameB = RandomBytes(static_cast<size_t>(bytes), work.mask + 100);
  host.reportB = {4, 3, 0};
  TransitionPtr transition(plugin.Create());
  if (!transition) return {};
  SelectMask(*transition, work.mask, work.invert, work.reverse);
  TransitionSetup setup = host.Setup(work.format);
  if (!transition->SetSetup(&setup)) return {};
  std::vector<uint64_t> digests;
  for (uint32_t frame : kFrames) {
    std::vector<uint8_t> output(static_cast<size_t>(bytes));
    FrameBuffer descriptor = {output.data(), bytes, 0, 0, 0, {0, 0, 0, 0}};
    if (transition->RenderFrame(frame, 0, &descriptor) != RESULT_OK) return {};
    digests.push_back(Digest(output.data(), output.size()));
  }
  return digests;
}

TEST(ConcurrentRendering, ObjectsOnSeveralThreadsRenderWhatEachRendersAlone) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_render"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();

  std::vector<std::vector<uint64_t>> alone(kThreads * kObjectsPerThread);
  for (unsigned thread = 0; thread < kThreads; ++thread) {
    for (unsigned object = 0; object < kObjectsPerThread; ++object) {
      alone[thread * kObjectsPerThread + object] = RenderAll(plugin, WorkFor(thread, object));
      ASSERT_EQ(alone[thread * kObjectsPerThread + object].size(), std::size(kFrames));
    }
  }

  std::vector<std::vector<uint64_t>> together(alone.size());
  std::atomic<unsigned> ready{0};
  std::vector<std::thread> threads;
  for (unsigned thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      // Start together, so the objects' lives overlap.
      ++ready;
      while (ready.load() < kThreads) std::this_thread::yield();
      for (unsigned object = 0; object < kObjectsPerThread; ++object) {
        together[thread * kObjectsPerThread + object] = RenderAll(plugin, WorkFor(thread, object));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (size_t i = 0; i < alone.size(); ++i) EXPECT_EQ(together[i], alone[i]) << "object " << i;
}

}  // namespace
