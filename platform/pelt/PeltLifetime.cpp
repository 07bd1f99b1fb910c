// Start and stop of the library. Each user holds one start; the count lets
// several transition objects, and their threads, overlap freely.
#include <atomic>

#include "masks/Pelt.h"

namespace {
std::atomic<int> startDepth{0};
}

int InitializePelt(int) { return ++startDepth; }

int UninitializePelt() {
  int depth = startDepth.load();
  while (depth > 0 && !startDepth.compare_exchange_weak(depth, depth - 1)) {
  }
  return depth > 0 ? depth - 1 : -1;
}
