// The limits every part of kavro and its hosts holds pictures to: the sizes a
// file, a command line or a host may ask for, and the memory a render may
// keep in flight. Kept here alone, so they cannot drift apart.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

// Largest width or height, and largest picture area: an 8K frame fits, a
// hostile header cannot ask for gigabytes.
constexpr int kMaxDimension = 16384;
constexpr int64_t kMaxArea = int64_t{8192} * 4608;

// 1 <= width, height <= kMaxDimension and width * height <= kMaxArea.
inline bool SizeWithinLimits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxDimension && height <= kMaxDimension && width * height <= kMaxArea;
}

// "at most 16384 a side, 8192x4608 in all", for messages.
inline std::string SizeLimitsText() { return "at most " + std::to_string(kMaxDimension) + " a side, 8192x4608 in all"; }

// Bytes a whole render may hold in frames at once: a 32-bit process has
// about 2 GB of address space for everything, a 64-bit one is held to what
// a modest machine has.
constexpr uint64_t kRenderMemoryBudget = sizeof(void*) == 4 ? uint64_t{1} << 30 : uint64_t{8} << 30;

}  // namespace kavro
