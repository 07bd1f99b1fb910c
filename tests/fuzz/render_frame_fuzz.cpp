// RenderFrame as a hostile host and a hostile resource module can drive it,
// through the exported factory of a plug-in copy (kiv_fuzz) whose resource
// module (Oldkiv_fuzz) keeps its directory in writable memory: the input's
// mask PNG becomes the first frame of every mask before the object is made.
//
// Input: the 80 bytes of a setup (the frame description, then in place of
// the host's own value and callback addresses: how each fetch behaves, what
// it does to the object while it runs, the crop flag, how the geometry is
// bounded and how the output is described), the frame index and fetch
// argument, what each fetch reports, a parameter block and the size its
// descriptor states, then the mask PNG: a mode byte and the file as given,
// with its checksums fixed, or built from the fields that follow.
//
// Expected whatever the bytes: nothing crashes or touches memory outside the
// buffers the host described; an unsupported format or an output the host
// says is too small is refused before anything is fetched; a failed or
// missing fetch fails the frame and nothing is fetched after it; a frame is
// only done when both sources were delivered, and without frames to mix it
// holds source A exactly as delivered.
#include <dlfcn.h>
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "PngSynthesis.h"
#include "platform/module_services/ResourceDirectory.h"
#include "platform/module_services/WideUtf8.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"
#include "tests/transition/RenderHost.h"

namespace {

// Frames the harness's host holds; a larger one gets a small buffer that
// says how small it is.
const uint64_t kLargestHeldFrame = 1u << 18;

enum FetchBehaviour : uint8_t {
  kMissing = 1,         // the setup holds no callback
  kFails = 2,           // the callback answers false
  kReleasesWork = 4,    // it gives the object's work buffer back
  kStoresSetup = 8,     // it stores another setup
  kEditsSetup = 16,     // it changes the stored setup in place
  kSetsParameters = 32  // it selects another mask
};

struct Plugin {
  Plugin() : library(SharedLibraryFileName(L"kiv_fuzz")) {
    FUZZ_CHECK(library.loaded());
    // Our own reference: the plug-in's loads of the module find it mapped.
    const std::string path =
        kiv_platform::WideToUtf8((TestDirectory() + SharedLibraryFileName(L"Oldkiv_fuzz")).c_str());
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    FUZZ_CHECK(module != nullptr);
    directory = static_cast<KivResourceDirectory*>(dlsym(module, KIV_RESOURCE_DIRECTORY_SYMBOL));
    FUZZ_CHECK(directory != nullptr && directory->count == 3);
    data = reinterpret_cast<uint8_t*>(directory) + directory->entries[0].dataOffset;
    capacity = directory->totalSize - directory->entries[0].dataOffset;
  }

  void PlaceMask(const std::vector<uint8_t>& png) {
    const size_t size = std::min(png.size(), capacity);
    if (size != 0) std::memcpy(data, png.data(), size);
    for (uint32_t i = 0; i < directory->count; ++i) directory->entries[i].size = static_cast<uint32_t>(size);
  }

  PluginLibrary library;
  void* module = nullptr;
  KivResourceDirectory* directory = nullptr;
  uint8_t* data = nullptr;
  size_t capacity = 0;
};

std::vector<uint8_t> MaskPng(FuzzInput& input) {
  const auto mode = static_cast<ImageInputMode>(input.Byte() % kImageInputModes);
  SynthesizedPng built;
  return ImageFileFromInput(mode, input, 96, built);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Plugin plugin;
  FuzzInput input(data, size);

  FrameFormat format;
  input.Fill(&format, sizeof format);
  const uint8_t behaviourA = input.Byte(), behaviourB = input.Byte();
  const uint8_t crop = input.Byte();
  const uint8_t geometry = input.Byte(), outputMode = input.Byte() % 3;
  const uint32_t otherWidth = input.Byte();
  uint8_t spare[10];
  input.Fill(spare, sizeof spare);  // the setup's remaining bytes
  const uint32_t frameIndex = input.Word();
  const auto fetchArg = static_cast<int32_t>(input.Word());
  RenderHost host;
  host.reportA = {input.Word(), input.Word(), input.Word()};
  host.reportB = {input.Word(), input.Word(), input.Word()};
  uint8_t block[8];
  input.Fill(block, sizeof block);
  const uint64_t statedSizes[] = {0, 1, 5, 6, 8, ~uint64_t{0}};
  const uint64_t blockSize = statedSizes[input.Byte() % 6];
  plugin.PlaceMask(MaskPng(input));

  if (geometry & 1) {  // small enough to render quickly
    format.width %= 97;
    format.height %= 65;
    format.stride %= 512;
  }
  const uint64_t frameBytes = FrameBytes(format.width, format.height, format.stride);
  const bool held = frameBytes <= kLargestHeldFrame;
  const bool shortOutput = held && outputMode == 2 && frameBytes >= 2;
  host.frameA = RandomBytes(held ? static_cast<size_t>(frameBytes) : 0, frameIndex);
  host.frameB = RandomBytes(held ? static_cast<size_t>(frameBytes) : 0, ~frameIndex);

  IKavroVideoTransition* transition = plugin.library.Create();
  FUZZ_CHECK(transition != nullptr);
  ParameterDescriptor descriptor = {block, blockSize};
  transition->SetParameters(&descriptor);
  TransitionSetup setup = host.Setup(format, crop);
  if (behaviourA & kMissing) setup.fetchSourceA = nullptr;
  if (behaviourB & kMissing) setup.fetchSourceB = nullptr;
  FUZZ_CHECK(transition->SetSetup(&setup) != nullptr);

  TransitionSetup other = host.Setup(YuvAlphaFormat(otherWidth, 3));
  host.during = [&](char source) {
    const uint8_t behaviour = source == 'A' ? behaviourA : behaviourB;
    if (behaviour & kReleasesWork) transition->ReleaseWorkBuffer();
    if (behaviour & kStoresSetup) transition->SetSetup(&other);
    if (behaviour & kEditsSetup) transition->GetSetup()->format.height += 1000;
    if (behaviour & kSetsParameters) {
      MaskParameters parameters = {otherWidth % 4, 1, 1, {0, 0}};
      ParameterDescriptor next = {&parameters, sizeof parameters};
      transition->SetParameters(&next);
    }
  };
  host.deliverA = !(behaviourA & kFails);
  host.deliverB = !(behaviourB & kFails);

  // Exactly the bytes the host describes, or fewer when it says so.
  const size_t outputBytes = !held         ? 64
                             : shortOutput ? static_cast<size_t>(frameBytes / 2)
                                           : static_cast<size_t>(frameBytes);
  std::unique_ptr<uint8_t[]> output(new uint8_t[std::max<size_t>(outputBytes, 1)]);
  FrameBuffer outputDescriptor = {output.get(), held && outputMode == 1 ? 0 : outputBytes, 0, 0, 0, {0, 0, 0, 0}};
  const int32_t result = transition->RenderFrame(frameIndex, fetchArg, &outputDescriptor);
  transition->Release();

  FUZZ_CHECK(result == RESULT_OK || result == RESULT_OUT_OF_MEMORY || result == RESULT_FAILED);
  if (format.colorFormat != COLOR_FORMAT_YUV422_ALPHA || !held || shortOutput) {
    FUZZ_CHECK(result == RESULT_FAILED && host.calls.empty());
    return 0;
  }
  // The fetches made, in order: each one delivered, except perhaps the last.
  bool failed = false;
  for (size_t i = 0; i < host.calls.size(); ++i) {
    const bool delivered = host.calls[i].source == 'A' ? host.deliverA : host.deliverB;
    FUZZ_CHECK(!failed);
    failed = !delivered;
  }
  const bool missing = (behaviourA | behaviourB) & kMissing;
  if (failed || missing) FUZZ_CHECK(result == RESULT_FAILED);
  if (result == RESULT_OK) {
    FUZZ_CHECK(host.calls.size() == 2 && host.calls[0].source != host.calls[1].source);
    if (format.totalFrames == 0) FUZZ_CHECK(std::equal(host.frameA.begin(), host.frameA.end(), output.get()));
  }
  return 0;
}
