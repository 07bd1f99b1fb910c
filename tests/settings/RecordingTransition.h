// A transition object that notes every SetParameters call it gets, and the
// module state current during it, before doing what the real one does.
#pragma once

#include <string.h>

#include <stdexcept>
#include <vector>

#include "platform/dialog_framework/ModuleState.h"
#include "transition/KavroVideoTransitionMask.h"

struct ParametersCall {
  MaskParameters block;
  AFX_MODULE_STATE* currentState;
};

class RecordingTransition : public KavroVideoTransitionMask {
 public:
  using KavroVideoTransitionMask::KavroVideoTransitionMask;

  void SetParameters(const ParameterDescriptor* descriptor) override {
    MaskParameters block;
    memcpy(&block, descriptor->data, sizeof block);
    calls.push_back({block, AfxGetModuleState()});
    if (throwOnSet) throw std::runtime_error("host failure");
    KavroVideoTransitionMask::SetParameters(descriptor);
  }

  // Writes the block behind GetParameters directly, as a host may; the mask
  // source is not told.
  void WriteBlock(uint32_t maskIndex, uint8_t invert, uint8_t reverse) {
    auto* block = static_cast<MaskParameters*>(GetParameters()->data);
    block->maskIndex = maskIndex;
    block->invert = invert;
    block->reverse = reverse;
  }

  const MaskParameters& Block() { return *static_cast<MaskParameters*>(GetParameters()->data); }

  std::vector<ParametersCall> calls;
  bool throwOnSet = false;
};
