// Records exchanged with the host. Their byte layout is fixed by the 32-bit
// Windows host; on 64-bit builds the same fields keep their order at natural
// offsets. This header is part of the set a host includes on its own.
#pragma once

#include <stdint.h>

enum KIV_COLOR_FORMAT : int32_t {
  COLOR_FORMAT_YUV422_ALPHA = 12,  // YUY2 main plane, then one alpha byte per pixel
};

enum VALUE_SOURCE : int32_t {
  VALUE_SOURCE_GIVEN = 0,   // the request carries the values
  VALUE_SOURCE_OWN = 1,     // each source uses its own values
  VALUE_SOURCE_FROM_A = 2,  // source B takes what source A's fetch reported
  VALUE_SOURCE_FROM_B = 3,  // source A takes what source B's fetch reported
};

// Frame geometry; also the request handed to each fetch.
struct FrameFormat {
  uint32_t width;
  uint32_t height;
  uint32_t stride;  // 0: 2 * width
  uint32_t aspectWidth;
  uint32_t aspectHeight;
  uint8_t reserved20[12];  // passed through untouched
  uint64_t totalFrames;
  KIV_COLOR_FORMAT colorFormat;
  uint8_t reserved44[4];
  uint32_t auxValue;
  VALUE_SOURCE aspectMode;
  VALUE_SOURCE auxMode;
  uint8_t reserved60[4];
};

// One frame's memory, and what a fetch reports about the source.
struct FrameBuffer {
  uint8_t* data;
  uint64_t size;
  uint32_t aspectHeight;  // vertical term first, unlike FrameFormat
  uint32_t aspectWidth;
  uint32_t auxValue;
  uint8_t reserved28[4];
};

// Fills one source frame; nonzero when delivered. userData is pointer-sized so
// a 64-bit host can pass an address; on the real 32-bit target it is 32 bits.
typedef uint8_t (*SourceFetchCallback)(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                                       FrameBuffer* buffer);

struct TransitionSetup {
  FrameFormat format;
  uintptr_t userData;
  SourceFetchCallback fetchSourceA;  // into the host's output buffer
  SourceFetchCallback fetchSourceB;  // into the plug-in's work buffer
  uint8_t cropToOutputAspect;
};

// Opaque parameter block reference.
struct ParameterDescriptor {
  void* data;
  uint64_t size;
};

// The user's three settings of a mask transition.
struct MaskParameters {
  uint32_t maskIndex;
  uint8_t invert;   // nonzero: the mask is used as stored
  uint8_t reverse;  // nonzero: mask frames run backwards
  uint8_t spare[2];
};

struct TransitionVersion {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};
