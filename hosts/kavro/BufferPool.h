// Frame-sized byte buffers handed out again once let go, so that a render
// does not map fresh pages for every frame. A buffer is only made when none
// is idle, so the pool never holds more buffers than were in use at once:
// the render's limit on frames in flight bounds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kavro {

class BufferPool {
 public:
  // A buffer of `bytes`: one let go before, its contents stale, or a new one.
  std::vector<uint8_t> Take(size_t bytes);
  // Any thread; from destructors too.
  void Give(std::vector<uint8_t> buffer) noexcept;

 private:
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> idle_;
};

}  // namespace kavro
