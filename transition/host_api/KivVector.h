// The small growable list handed to the host by GetSupportedFormats.
#pragma once

#include <stdint.h>
#include <stdlib.h>

namespace kiv {

template <typename T>
class vector {
 public:
  T* items;
  uint32_t count;
  uint32_t capacity;

  explicit vector(uint32_t initialCapacity = 16)
      : items(static_cast<T*>(AllocateSlots(nullptr, initialCapacity))),
        count(0),
        capacity(items ? initialCapacity : 0) {}
  virtual ~vector() { free(items); }

  vector(const vector&) = delete;
  vector& operator=(const vector&) = delete;

  // Always keeps one free slot: the array doubles when the value that would
  // fill the last slot arrives. Returns false, list unchanged, when memory
  // runs out or the doubled size cannot be represented.
  bool add(T value) {
    if (capacity == 0 || count >= capacity - 1) {
      if (capacity > UINT32_MAX / 2) return false;
      const uint32_t grown = capacity ? capacity * 2 : 16;
      T* moved = static_cast<T*>(AllocateSlots(items, grown));
      if (!moved) return false;
      items = moved;
      capacity = grown;
    }
    items[count++] = value;
    return true;
  }

 private:
  // malloc or realloc of slots values; null, with the old array kept, when
  // there are none or their byte size does not fit a size_t.
  static void* AllocateSlots(void* old, uint32_t slots) {
    if (slots == 0 || slots > SIZE_MAX / sizeof(T)) return nullptr;
    const size_t bytes = sizeof(T) * slots;
    return old ? realloc(old, bytes) : malloc(bytes);
  }
};

}  // namespace kiv
