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
      : items(static_cast<T*>(malloc(sizeof(T) * initialCapacity))), count(0), capacity(items ? initialCapacity : 0) {}
  virtual ~vector() { free(items); }

  vector(const vector&) = delete;
  vector& operator=(const vector&) = delete;

  // Always keeps one free slot: the array doubles when the value that would
  // fill the last slot arrives. Returns false, list unchanged, when memory runs out.
  bool add(T value) {
    if (capacity == 0 || count >= capacity - 1) {
      uint32_t grown = capacity ? capacity * 2 : 16;
      T* moved = static_cast<T*>(realloc(items, sizeof(T) * grown));
      if (!moved) return false;
      items = moved;
      capacity = grown;
    }
    items[count++] = value;
    return true;
  }
};

}  // namespace kiv
