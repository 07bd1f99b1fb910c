// How many rendering threads and frames in flight a render can afford: each
// thread holds frame-sized buffers of its own and of its transition object,
// each frame in flight its two source frames and its encoded outputs. At 8K
// on many cores, or in a 32-bit process, threads alone would overrun memory.
#pragma once

#include <cstdint>

namespace kavro {

struct RenderCosts {
  uint64_t perThread = 0;  // bytes a rendering thread holds while it renders
  uint64_t perFrame = 0;   // bytes a frame holds from being read to being written
};

// What one render holds, from its output size, the bytes a frame of each
// source holds as read (0 for stills and built-in clips, whose frames are
// shared or drawn when needed), whether a source is converted or scaled on
// the rendering thread (its size as read, 0 when it packs as it is) and the
// bytes each frame's encoded outputs take.
struct RenderShape {
  uint32_t width = 0, height = 0;
  uint64_t sourceFrameBytes[2] = {0, 0};
  uint64_t convertedArea[2] = {0, 0};
  uint64_t encodedBytes = 0;
};

RenderCosts EstimateRenderCosts(const RenderShape& shape);

struct InFlightPlan {
  int threads = 1;
  uint32_t maxInFlight = 4;  // at most 2 threads + 2, at least one a thread
};

// The most of `threads` (at least one) that fit `budget` with a frame in
// flight for each and one more, and as many frames in flight as then fit.
InFlightPlan PlanInFlight(int threads, const RenderCosts& costs, uint64_t budget);

}  // namespace kavro
