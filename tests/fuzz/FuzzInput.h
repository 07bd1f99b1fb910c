// Reads a fuzz input as a sequence of fields. Past its end every field reads
// as zero, so any input, even an empty one, decides every field.
#pragma once

#include <stddef.h>
#include <stdint.h>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t Half() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t Word() { return uint32_t{Half()} | uint32_t{Half()} << 16; }
  void Fill(void* out, size_t count) {
    auto* bytes = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < count; ++i) bytes[i] = Byte();
  }

  // What is left, taken whole.
  const uint8_t* rest() const { return data_ + at_; }
  size_t restSize() const { return size_ - at_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
