#include "PixelStorage.h"

#include <string.h>

#include <atomic>
#include <mutex>
#include <new>

namespace pelt {

namespace {

// Below this the heap serves blocks cheaply anyway.
constexpr size_t kPooledFrom = size_t{256} << 10;
// A mask frame, its fitted copy and a cut: the blocks of one frame, with room.
constexpr size_t kSlots = 4;

std::atomic<bool> poolGone{false};

struct Pool {
  std::mutex lock;
  unsigned char* blocks[kSlots] = {};
  size_t sizes[kSlots] = {};
  size_t count = 0;

  ~Pool() {
    poolGone.store(true);
    for (size_t i = 0; i < count; ++i) delete[] blocks[i];
  }

  unsigned char* Take(size_t bytes) {
    std::lock_guard<std::mutex> guard(lock);
    for (size_t i = count; i-- > 0;) {
      if (sizes[i] != bytes) continue;
      unsigned char* block = blocks[i];
      for (size_t j = i + 1; j < count; ++j) blocks[j - 1] = blocks[j], sizes[j - 1] = sizes[j];
      --count;
      return block;
    }
    return nullptr;
  }

  // Keeps the block; the longest kept goes when the pool is full.
  void Keep(unsigned char* block, size_t bytes) {
    unsigned char* evicted = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock);
      if (count == kSlots) {
        evicted = blocks[0];
        for (size_t j = 1; j < count; ++j) blocks[j - 1] = blocks[j], sizes[j - 1] = sizes[j];
        --count;
      }
      blocks[count] = block;
      sizes[count] = bytes;
      ++count;
    }
    delete[] evicted;
  }
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

}  // namespace

void StorageRelease::operator()(unsigned char* block) const {
  if (block && bytes >= kPooledFrom && !poolGone.load()) {
    ThePool().Keep(block, bytes);
    return;
  }
  delete[] block;
}

PixelStorage NewPixelStorage(size_t bytes, bool zero) {
  unsigned char* block = bytes >= kPooledFrom ? ThePool().Take(bytes) : nullptr;
  if (block) {
    if (zero) memset(block, 0, bytes);
  } else {
    block = zero ? new (std::nothrow) unsigned char[bytes]() : new (std::nothrow) unsigned char[bytes];
  }
  return PixelStorage(block, StorageRelease{block ? bytes : 0});
}

}  // namespace pelt
