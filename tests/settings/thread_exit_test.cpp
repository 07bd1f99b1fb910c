// Host threads come and go while the plug-in is loaded; each one that ends
// passes through the plug-in's thread detach, which must not leave anything
// of that thread behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "tests/support/PluginLibrary.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestPaths.h"

namespace {

DWORD WINAPI EndAtOnce(LPVOID) { return 0; }

// Starts and ends `count` threads, a few at a time.
void RunThreads(int count) {
  const int batch = 16;
  for (int started = 0; started < count; started += batch) {
    HANDLE threads[batch];
    int n = 0;
    for (; n < batch && started + n < count; ++n) {
      threads[n] = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, nullptr);
      ASSERT_NE(threads[n], nullptr);
    }
    WaitForMultipleObjects(static_cast<DWORD>(n), threads, TRUE, INFINITE);
    for (int i = 0; i < n; ++i) CloseHandle(threads[i]);
  }
}

TEST(ThreadExit, TenThousandEndingHostThreadsLeaveHeapAndHandlesFlat) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_none"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();
  RunThreads(200);  // one-time work of the runtimes happens here
  const ProcessCounters before = ProcessCounters::Now();
  RunThreads(10000);
  const ProcessCounters after = ProcessCounters::Now();
  ASSERT_GE(before.kernelHandles, 0);
  std::printf("10000 thread exits: heap %zu -> %zu bytes, kernel handles %ld -> %ld\n", before.heapBytes,
              after.heapBytes, before.kernelHandles, after.kernelHandles);
  // A leak of even 8 bytes per thread would show as 80 KB.
  EXPECT_LT(after.heapBytes, before.heapBytes + 32 * 1024)
      << "heap in use went from " << before.heapBytes << " to " << after.heapBytes << " bytes";
  EXPECT_EQ(after.kernelHandles, before.kernelHandles);
}

}  // namespace
