// Pixel storage of images. Frames of one size come and go once per rendered
// frame; large blocks let go are kept in a small pool and handed out again
// for the same size, because a fresh large block costs a page fault per 4 KiB
// on Windows (and on Wine), where the heap maps every large block anew. Only
// memory is reused: its contents are overwritten or zeroed like new memory.
#pragma once

#include <stddef.h>

#include <memory>

namespace pelt {

struct StorageRelease {
  size_t bytes = 0;
  void operator()(unsigned char* block) const;
};

using PixelStorage = std::unique_ptr<unsigned char[], StorageRelease>;

// A block of `bytes` (zeroed when asked), or null when there is no memory.
PixelStorage NewPixelStorage(size_t bytes, bool zero);

}  // namespace pelt
