// The image class: storage, geometry and the blit between images.
#include <string.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <utility>

#include "Lock.h"
#include "PeltInternal.h"

namespace pelt {

namespace {

constexpr uint32_t kDeviceContextMagic = 0x50454C54u;  // "PELT"

// Live device contexts. An HDC handed to Blt is only dereferenced once it is
// found here, so a foreign or stale handle fails instead of crashing.
Lock contextLock;
DeviceContext* firstContext = nullptr;

void Link(DeviceContext& context) {
  std::lock_guard<pelt::Lock> guard(contextLock);
  if (context.linked) return;
  context.previous = nullptr;
  context.next = firstContext;
  if (firstContext) firstContext->previous = &context;
  firstContext = &context;
  context.linked = true;
}

void Unlink(DeviceContext& context) {
  std::lock_guard<pelt::Lock> guard(contextLock);
  if (!context.linked) return;
  if (context.previous) context.previous->next = context.next;
  if (context.next) context.next->previous = context.previous;
  if (firstContext == &context) firstContext = context.next;
  context.linked = false;
}

TImage::Impl* ImageBehind(HDC handle) {
  std::lock_guard<pelt::Lock> guard(contextLock);
  for (DeviceContext* context = firstContext; context; context = context->next) {
    if (reinterpret_cast<HDC>(context) == handle)
      return context->magic == kDeviceContextMagic ? context->image : nullptr;
  }
  return nullptr;
}

}  // namespace

bool IsKnownFormat(long format) {
  switch (format) {
    case pf1bit:
    case pf2bit:
    case pf4bit:
    case pf8bit:
    case pf16bit:
    case pf24bit:
    case pf32bit:
    case pf48bit:
    case pf64bit:
      return true;
    default:
      return false;
  }
}

}  // namespace pelt

TImage::Impl::~Impl() { pelt::Unlink(dc); }

void TImage::Impl::Drop() {
  pelt::Unlink(dc);
  bits.reset();
  palette.clear();
  width = height = widthBytes = 0;
  format = pfNone;
}

bool TImage::Impl::Allocate(long newWidth, long newHeight, TPixelFormat newFormat, bool zero) {
  if (!pelt::IsKnownFormat(newFormat) || newWidth <= 0 || newHeight <= 0 || newWidth > pelt::kMaxDimension ||
      newHeight > pelt::kMaxDimension) {
    Drop();
    return false;
  }
  uint64_t rowBytes = pelt::RowBytes(static_cast<uint64_t>(newWidth), static_cast<unsigned>(newFormat));
  uint64_t size = rowBytes * static_cast<uint64_t>(newHeight);
  if (size > pelt::kMaxImageBytes) {
    Drop();
    return false;
  }
  bool fits = bits && static_cast<uint64_t>(widthBytes) * static_cast<uint64_t>(height) == size;
  if (!fits) {
    Drop();
    bits = pelt::NewPixelStorage(static_cast<size_t>(size), zero);
    if (!bits) return false;
  } else if (zero) {
    memset(bits.get(), 0, size);
  }
  width = newWidth;
  height = newHeight;
  format = newFormat;
  widthBytes = static_cast<long>(rowBytes);
  return true;
}

void TImage::Impl::Adopt(pelt::PixelStorage newBits, long newWidth, long newHeight, long newWidthBytes) {
  bits = std::move(newBits);
  width = newWidth;
  height = newHeight;
  widthBytes = newWidthBytes;
}

TImage::TImage() : impl_(new (std::nothrow) Impl) {}

TImage::~TImage() { delete impl_; }

long TImage::Open(const void* data, int kind, unsigned long size, int) {
  if (!impl_ || kind != kPeltSourceMemory || !data || size == 0) return -1;
  impl_->source = static_cast<const unsigned char*>(data);
  impl_->sourceSize = size;
  return 0;
}

int TImage::Close() {
  if (impl_) {
    impl_->source = nullptr;
    impl_->sourceSize = 0;
  }
  return 0;
}

int TImage::Destroy() {
  if (impl_) impl_->Drop();
  return 0;
}

long TImage::Read(int) { return -1; }

void* TImage::Create(long width, long height, TPixelFormat format, int) {
  if (!impl_) return nullptr;
  impl_->Drop();
  return impl_->Allocate(width, height, format, true) ? impl_->bits.get() : nullptr;
}

int TImage::IsValid() const { return impl_ && impl_->bits ? 1 : 0; }

int TImage::IsNoHandle() const { return impl_ && impl_->noHandle ? 1 : 0; }

int TImage::SetNoHandleMode(int noHandle) {
  if (!impl_) return 0;
  int previous = impl_->noHandle ? 1 : 0;
  impl_->noHandle = noHandle != 0;
  return previous;
}

long TImage::GetWidth() const { return impl_ ? impl_->width : 0; }

long TImage::GetHeight() const { return impl_ ? impl_->height : 0; }

unsigned short TImage::GetBitCount() const { return impl_ ? static_cast<unsigned short>(impl_->format) : 0; }

TPixelFormat TImage::GetPixelFormat() const { return impl_ ? impl_->format : pfNone; }

int TImage::GetPalette(TPaletteEntry* entries, int capacity) const {
  if (!impl_) return 0;
  const int count = static_cast<int>(impl_->palette.size());
  if (entries && capacity > 0) {
    std::copy(impl_->palette.begin(), impl_->palette.begin() + std::min(count, capacity), entries);
  }
  return count;
}

int TImage::SetPalette(const TPaletteEntry* entries, int count) {
  if (!impl_) return 0;
  try {
    if (!entries || count <= 0) {
      impl_->palette.clear();
    } else {
      impl_->palette.assign(entries, entries + std::min(count, 256));
    }
  } catch (...) {  // out of memory: no table rather than a wrong one
    impl_->palette.clear();
  }
  return static_cast<int>(impl_->palette.size());
}

int TImage::Exchange(TImage& other) {
  if (!impl_ || !other.impl_) return 0;
  Impl& mine = *impl_;
  Impl& theirs = *other.impl_;
  std::swap(mine.bits, theirs.bits);
  std::swap(mine.width, theirs.width);
  std::swap(mine.height, theirs.height);
  std::swap(mine.widthBytes, theirs.widthBytes);
  std::swap(mine.format, theirs.format);
  std::swap(mine.palette, theirs.palette);
  return 1;
}

long TImage::GetWidthBytes() const { return impl_ ? impl_->widthBytes : 0; }

long TImage::GetSize() const { return impl_ ? impl_->widthBytes * impl_->height : 0; }

unsigned char* TImage::GetBits() { return impl_ ? impl_->bits.get() : nullptr; }

const unsigned char* TImage::GetBits() const { return impl_ ? impl_->bits.get() : nullptr; }

HDC TImage::GetDC() {
  if (!impl_ || !impl_->bits) return nullptr;
  impl_->dc.magic = pelt::kDeviceContextMagic;
  impl_->dc.image = impl_;
  pelt::Link(impl_->dc);
  return reinterpret_cast<HDC>(&impl_->dc);
}

int TImage::Blt(HDC dest, long xDest, long yDest, long xSrc, long ySrc, long width, long height, unsigned long rop) {
  if (!impl_ || !impl_->bits || rop != SRCCOPY || width < 0 || height < 0) return 0;
  Impl* target = pelt::ImageBehind(dest);
  if (!target || !target->bits || target->format != impl_->format || impl_->format % 8 != 0) return 0;

  // Clip in 64 bits with checked steps: the arguments are whatever the caller
  // passed, and long may already be 64 bits. A step that overflows pushes an
  // offset past every image or an extent below zero, so nothing is left.
  int64_t sx = xSrc, sy = ySrc, dx = xDest, dy = yDest, w = width, h = height;
  bool outside = false;
  auto moveToZero = [&outside](int64_t& negative, int64_t& other, int64_t& extent) {
    if (negative >= 0) return;
    outside |= __builtin_sub_overflow(other, negative, &other);
    outside |= __builtin_add_overflow(extent, negative, &extent);
    negative = 0;
  };
  moveToZero(sx, dx, w);
  moveToZero(sy, dy, h);
  moveToZero(dx, sx, w);
  moveToZero(dy, sy, h);
  if (outside) return 1;  // nothing to copy is no failure
  if (w > impl_->width - sx) w = impl_->width - sx;
  if (w > target->width - dx) w = target->width - dx;
  if (h > impl_->height - sy) h = impl_->height - sy;
  if (h > target->height - dy) h = target->height - dy;
  if (w <= 0 || h <= 0) return 1;  // nothing left to copy is no failure

  const size_t pixelBytes = static_cast<size_t>(impl_->format) / 8;
  const size_t count = static_cast<size_t>(w) * pixelBytes;
  // Within one image a copy that moves down starts with its bottom row, so
  // no row is overwritten before it is read; memmove takes care of a row.
  const bool bottomFirst = target == impl_ && dy > sy;
  for (int64_t i = 0; i < h; ++i) {
    const int64_t y = bottomFirst ? h - 1 - i : i;
    // Coordinates count from the top; memory holds the bottom row first.
    const unsigned char* from = impl_->Row(static_cast<long>(impl_->height - 1 - (sy + y))) + sx * pixelBytes;
    unsigned char* to = target->Row(static_cast<long>(target->height - 1 - (dy + y))) + dx * pixelBytes;
    memmove(to, from, count);
  }
  return 1;
}
