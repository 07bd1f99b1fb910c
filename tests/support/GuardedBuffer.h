// Host memory with no slack around it: `size` bytes placed against a page
// that may not be touched, so the first byte read or written just outside
// faults at once, on every target and with or without a sanitizer.
#pragma once

#include <cstddef>
#include <cstdint>

class GuardedBuffer {
 public:
  enum Side {
    kGuardAfter,   // the last byte touches the guard page behind it
    kGuardBefore,  // the first byte follows the guard page before it
  };

  GuardedBuffer(size_t size, Side side);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // Never null, also for a size of 0.
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  size_t mappingSize_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};
