// A host for rendering tests: prepared source frames, fetch callbacks that
// copy them into the buffer they are given and record every call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "transition/host_api/IKavroVideoTransition.h"

struct ReleaseTransition {
  void operator()(IKavroVideoTransition* transition) const { transition->Release(); }
};
using TransitionPtr = std::unique_ptr<IKavroVideoTransition, ReleaseTransition>;

// Bytes of a YUV 4:2:2 + alpha frame as a host lays it out: rows `stride`
// apart (2 x width when 0), then alpha rows of width bytes, width rounded up
// to 4 reserved per row.
uint64_t FrameBytes(uint32_t width, uint32_t height, uint32_t stride = 0);

// A frame description with neutral link modes and every byte the plug-in
// does not read set to a recognisable value.
FrameFormat YuvAlphaFormat(uint32_t width, uint32_t height, uint32_t stride = 0);

// Bytes from a seeded generator; the same on every target.
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed);

// 64-bit FNV-1a of a byte range.
uint64_t Digest(const uint8_t* bytes, size_t count);

void SelectMask(IKavroVideoTransition& transition, uint32_t maskIndex, uint8_t invert, uint8_t reverse);

struct FetchRecord {
  char source;  // 'A' or 'B'
  uintptr_t userData;
  FrameFormat request;  // as the fetch received it
  uint32_t frameIndex;
  int32_t fetchArg;
  FrameBuffer* buffer;  // the descriptor passed
  uint8_t* data;        // its data and size at the call
  uint64_t size;
};

class RenderHost {
 public:
  struct Report {
    uint32_t aspectWidth, aspectHeight, auxValue;
  };

  // The setup a host stores: this format, fetches that reach this host.
  TransitionSetup Setup(const FrameFormat& format, uint8_t cropToOutputAspect = 0);

  // What the fetches copy into their buffer (no more than its size when
  // that is given) and report in its descriptor.
  std::vector<uint8_t> frameA, frameB;
  Report reportA = {0, 0, 0}, reportB = {0, 0, 0};
  bool deliverA = true, deliverB = true;
  // Run inside each fetch after the copy, with the source's letter.
  std::function<void(char)> during;

  std::vector<FetchRecord> calls;

 private:
  static uint8_t FetchA(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  static uint8_t FetchB(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  uint8_t Deliver(char source, const FrameFormat* request, uint32_t frameIndex, int32_t fetchArg, FrameBuffer* buffer);
};
