// The mask-wipe transition: the only class the factory creates.
#pragma once

#include "AbstractKavroVideoTransition.h"

class MaskImageFactory;

class KavroVideoTransitionMask : public AbstractKavroVideoTransition {
 public:
  // Takes ownership of maskSource.
  explicit KavroVideoTransitionMask(MaskImageFactory* maskSource);
  ~KavroVideoTransitionMask() override;

  void SetParameters(const ParameterDescriptor* parameters) override;
  int32_t RenderFrame(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output) override;
  ParameterDescriptor* GetParameters() override;
  uint8_t ShowSettingsDialog() override;
  void ReleaseWorkBuffer() override;

 private:
  ParameterDescriptor parameterDescriptor;
  MaskParameters parameters;
  uint8_t* workBuffer;
  uint32_t workBufferSize;
  MaskImageFactory* maskSource;
};
