#include "BufferPool.h"

#include <new>
#include <utility>

namespace kavro {

std::vector<uint8_t> BufferPool::Take(size_t bytes) {
  std::vector<uint8_t> buffer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!idle_.empty()) {
      buffer = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  buffer.resize(bytes);
  return buffer;
}

void BufferPool::Give(std::vector<uint8_t> buffer) noexcept {
  if (buffer.capacity() == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    idle_.push_back(std::move(buffer));
  } catch (const std::bad_alloc&) {  // no room to keep it: it goes
  }
}

}  // namespace kavro
