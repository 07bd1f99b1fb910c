// Splits a range of work items over a few threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace maskgen {

// Calls work(i) for every i in [0, count) on up to `threads` threads. Items
// are handed out one at a time, so uneven items still keep every core busy.
template <typename Work>
void ParallelFor(int count, int threads, Work work) {
  threads = std::max(1, std::min(threads, count));
  if (threads == 1) {
    for (int i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<int> next{0};
  auto run = [&] {
    for (int i = next++; i < count; i = next++) work(i);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(run);
  run();
  for (std::thread& thread : pool) thread.join();
}

}  // namespace maskgen
