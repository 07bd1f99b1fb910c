#include "RenderHost.h"

#include <cstring>
#include <random>

uint64_t FrameBytes(uint32_t width, uint32_t height, uint32_t stride) {
  const uint64_t rowStride = stride != 0 ? stride : 2 * uint64_t{width};
  return rowStride * height + ((uint64_t{width} + 3) / 4 * 4) * height;
}

FrameFormat YuvAlphaFormat(uint32_t width, uint32_t height, uint32_t stride) {
  FrameFormat format;
  std::memset(&format, 0x5A, sizeof format);
  format.width = width;
  format.height = height;
  format.stride = stride;
  format.aspectWidth = 16;
  format.aspectHeight = 9;
  format.totalFrames = 1000;
  format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  format.auxValue = 0;
  format.aspectMode = VALUE_SOURCE_GIVEN;
  format.auxMode = VALUE_SOURCE_GIVEN;
  return format;
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const uint32_t word = random();
    std::memcpy(&bytes[i], &word, 4);  // both targets are little-endian
  }
  for (; i < count; ++i) bytes[i] = static_cast<uint8_t>(random());
  return bytes;
}

uint64_t Digest(const uint8_t* bytes, size_t count) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

void SelectMask(IKavroVideoTransition& transition, uint32_t maskIndex, uint8_t invert, uint8_t reverse) {
  MaskParameters block = {maskIndex, invert, reverse, {0, 0}};
  ParameterDescriptor descriptor = {&block, sizeof block};
  transition.SetParameters(&descriptor);
}

TransitionSetup RenderHost::Setup(const FrameFormat& format, uint8_t cropToOutputAspect) {
  TransitionSetup setup;
  std::memset(&setup, 0, sizeof setup);
  setup.format = format;
  setup.userData = reinterpret_cast<uintptr_t>(this);
  setup.fetchSourceA = FetchA;
  setup.fetchSourceB = FetchB;
  setup.cropToOutputAspect = cropToOutputAspect;
  return setup;
}

uint8_t RenderHost::FetchA(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                           FrameBuffer* buffer) {
  return reinterpret_cast<RenderHost*>(userData)->Deliver('A', request, frameIndex, fetchArg, buffer);
}

uint8_t RenderHost::FetchB(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                           FrameBuffer* buffer) {
  return reinterpret_cast<RenderHost*>(userData)->Deliver('B', request, frameIndex, fetchArg, buffer);
}

uint8_t RenderHost::Deliver(char source, const FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                            FrameBuffer* buffer) {
  FetchRecord record;
  record.source = source;
  record.userData = reinterpret_cast<uintptr_t>(this);
  record.request = *request;
  record.frameIndex = frameIndex;
  record.fetchArg = fetchArg;
  record.buffer = buffer;
  record.data = buffer->data;
  record.size = buffer->size;
  calls.push_back(record);

  if (!(source == 'A' ? deliverA : deliverB)) return 0;
  const std::vector<uint8_t>& frame = source == 'A' ? frameA : frameB;
  size_t count = frame.size();
  if (buffer->size != 0 && buffer->size < count) count = static_cast<size_t>(buffer->size);
  if (count != 0) std::memcpy(buffer->data, frame.data(), count);
  const Report& report = source == 'A' ? reportA : reportB;
  buffer->aspectWidth = report.aspectWidth;
  buffer->aspectHeight = report.aspectHeight;
  buffer->auxValue = report.auxValue;
  if (during) during(source);
  return 1;
}
