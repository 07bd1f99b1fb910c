// What the plug-in uses of the image library (libPeltU / PeltU.dll).
//
// Images are device-independent bitmaps: rows GetWidthBytes() apart (a
// multiple of 4), the bottom row first in memory. An 8-bit image holds one
// level per byte, unless it carries a colour table: then each byte is an
// index into it, which the library itself never looks up. Every class keeps
// its state behind one pointer, so the layout seen by users never changes.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#if defined(PELT_STATIC)
#define PELT_API
#elif defined(PELT_BUILDING_LIBRARY)
#define PELT_API __declspec(dllexport)
#else
#define PELT_API __declspec(dllimport)
#endif
#else
#if defined(PELT_STATIC)
// Built into a host (kiv_pelt_static): its own hidden copy, never the one a
// loaded plug-in finds.
#define PELT_API
#else
#define PELT_API __attribute__((visibility("default")))
#endif
// The library's own device context: an opaque handle, as on Windows.
typedef struct PeltDeviceContext* HDC;
#ifndef SRCCOPY
#define SRCCOPY 0x00CC0020u
#endif
#endif

// Starts and stops the library; calls nest. InitializePelt answers the depth
// reached, UninitializePelt the depth left (negative when it was not started).
PELT_API int InitializePelt(int flags);
PELT_API int UninitializePelt();

// Pixel layouts; the value is the number of bits per pixel.
enum TPixelFormat {
  pfNone = 0,
  pf1bit = 1,
  pf2bit = 2,
  pf4bit = 4,
  pf8bit = 8,
  pf16bit = 16,
  pf24bit = 24,  // blue, green, red
  pf32bit = 32,  // blue, green, red, alpha
  pf48bit = 48,
  pf64bit = 64,
};

// One entry of an image's colour table, in bitmap order.
struct TPaletteEntry {
  unsigned char blue;
  unsigned char green;
  unsigned char red;
  unsigned char reserved;
};

// Open's source kind for a block of memory that stays valid until Close.
const int kPeltSourceMemory = 4;

class PELT_API TImage {
 public:
  TImage();
  // Virtual operations, in this slot order.
  virtual ~TImage();
  // Takes the encoded bytes of an image: kind kPeltSourceMemory, data and
  // size; the bytes are read in place, not copied. Negative on failure.
  virtual long Open(const void* data, int kind, unsigned long size, int flags);
  // Forgets the source given to Open. 0.
  virtual int Close();
  // Drops the pixel storage; the image becomes invalid. 0.
  virtual int Destroy();
  // Decodes image `index` (only 0 exists) of the opened source into this
  // image, keeping the source's own bits per pixel. Negative on failure,
  // which leaves the image invalid. The plain TImage decodes nothing.
  virtual long Read(int index);

  // Gives the image new, zeroed storage of the given size and layout,
  // dropping the old one. The result is an opaque bitmap handle, null on
  // failure (sizes not positive or too large, unknown layout, no memory).
  void* Create(long width, long height, TPixelFormat format, int flags);

  int IsValid() const;  // nonzero when the image has pixel storage
  int IsNoHandle() const;
  int SetNoHandleMode(int noHandle);  // answers the previous mode

  long GetWidth() const;
  long GetHeight() const;
  unsigned short GetBitCount() const;
  TPixelFormat GetPixelFormat() const;
  // The colour table of an image whose pixels are indices (a PNG with a
  // palette, a BMP of up to 8 bits): copies up to capacity entries to
  // entries and answers how many the table holds, at most 256; 0 when the
  // pixels are levels or colours themselves. Create and Destroy drop it.
  int GetPalette(TPaletteEntry* entries, int capacity) const;
  // Replaces the colour table with count entries (at most 256); a count of
  // 0 removes it. Answers the number of entries kept.
  int SetPalette(const TPaletteEntry* entries, int count);
  // Trades pixels with another image: storage, size, layout and colour
  // table, without copying a pixel. Each keeps its own no-handle mode and
  // device context. Nonzero on success.
  int Exchange(TImage& other);

  long GetWidthBytes() const;  // bytes per row, a multiple of 4
  long GetSize() const;        // GetHeight() * GetWidthBytes()
  unsigned char* GetBits();    // the bottom row's first byte; null when invalid
  const unsigned char* GetBits() const;

  // A device context that addresses this image's pixels, valid as long as
  // the image; null when the image has no storage to hold one.
  HDC GetDC();
  // Copies the rectangle (xSrc, ySrc, width, height) of this image to
  // (xDest, yDest) of the image behind dest, both measured from the top row
  // and clipped to both images. Only SRCCOPY between images of one layout of
  // whole bytes per pixel. Nonzero on success.
  int Blt(HDC dest, long xDest, long yDest, long xSrc, long ySrc, long width, long height, unsigned long rop);

  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;

  struct Impl;

 protected:
  Impl* impl_;  // null only when the image could not be made; every call then fails

  friend class TImageGenerator;
  friend class TEffectImage;
};

// PNG decoder: gray, palette, gray with alpha, RGB and RGBA at every depth;
// GetBitCount() answers channels times depth (8 for an 8-bit gray frame,
// 24 for RGB).
class PELT_API TImagePNG : public TImage {
 public:
  TImagePNG();
  ~TImagePNG() override;
  long Read(int index) override;
};

// BMP decoder: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, rows
// bottom-up or top-down in the file.
class PELT_API TImageBMP : public TImage {
 public:
  TImageBMP();
  ~TImageBMP() override;
  long Read(int index) override;
};

class PELT_API TImageGenerator {
 public:
  // Registers the decoder class of prototype (which may be destroyed after
  // the call). Registering a class again changes nothing. Answers the number
  // of decoder classes registered, 0 when prototype is no decoder.
  static unsigned AddExtendSupportFormat(const TImage& prototype);
  // A new image of the first registered decoder class that recognises the
  // bytes, or null. The caller owns it. `reserved` is not used.
  static TImage* CreateInstance(const unsigned char* data, unsigned long size, int reserved);
};

class PELT_API TEffectImage {
 public:
  // Scales the image in place to width x height, keeping its layout (8, 24
  // or 32 bits per pixel): bilinear, or averaging the covered area when
  // shrinking by more than 2. 0 on success, negative on failure (the image
  // is then unchanged).
  static long Resize(TImage& image, long width, long height);
};
