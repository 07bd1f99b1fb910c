#include "RenderMemory.h"

#include <algorithm>

#include "media/PackedFrame.h"

namespace kavro {

namespace {

// A mask frame as decoded, and the copy it is cut to.
constexpr uint64_t kMaskBytes = uint64_t{2} * 1920 * 1080;

}  // namespace

RenderCosts EstimateRenderCosts(const RenderShape& shape) {
  const uint64_t area = uint64_t{shape.width} * shape.height;
  const uint64_t frame = PackedLayout(shape.width, shape.height).bufferBytes();
  // A converted source: its 4:2:2 picture at its own size, the picture
  // scaled to the output and the scaling's intermediate, 3 bytes a pixel each.
  uint64_t conversion = 0;
  for (uint64_t source : shape.convertedArea) {
    if (source) conversion = std::max(conversion, 3 * (source + area + std::max(source, area)));
  }
  RenderCosts costs;
  // kavro's frame buffer, the plug-in's work buffer, the mask at the output
  // size and its scaling.
  costs.perThread = 2 * frame + 2 * area + kMaskBytes + conversion;
  costs.perFrame = shape.sourceFrameBytes[0] + shape.sourceFrameBytes[1] + shape.encodedBytes;
  return costs;
}

InFlightPlan PlanInFlight(int threads, const RenderCosts& costs, uint64_t budget) {
  InFlightPlan plan;
  plan.threads = std::max(1, threads);
  auto need = [&](uint64_t n, uint64_t frames) { return n * costs.perThread + frames * costs.perFrame; };
  while (plan.threads > 1 &&
         need(static_cast<uint64_t>(plan.threads), static_cast<uint64_t>(plan.threads) + 1) > budget) {
    --plan.threads;
  }
  const uint64_t threadCount = static_cast<uint64_t>(plan.threads);
  uint64_t frames = 2 * threadCount + 2;
  while (frames > threadCount && need(threadCount, frames) > budget) --frames;
  plan.maxInFlight = static_cast<uint32_t>(frames);
  return plan;
}

}  // namespace kavro
