// The mask-wipe transition: the only class the factory creates.
#pragma once

#include "AbstractKavroVideoTransition.h"

class MaskImageFactory;
class TImage;

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

  // Mixes one row of the work buffer (source B) into the same row of the
  // output (source A) under a row of the mask image, with this object's
  // invert flag.
  void BlendRowYUV422Alpha(uint8_t* outputFrame, const uint8_t* workFrame, uint32_t rowOffset, uint32_t byteCount,
                           const TImage* maskImage, int32_t maskOffset, uint32_t alphaOffset) const;

 private:
  // The steps of RenderFrame (RenderFrame.cpp); RenderFrame itself keeps
  // exceptions from reaching the host.
  int32_t RenderSteps(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output);
  bool IsSupportedFormat(KIV_COLOR_FORMAT format) const;
  // Grows the work buffer to at least totalBytes; false when out of memory.
  bool ReserveWorkBuffer(uint32_t totalBytes);

  ParameterDescriptor parameterDescriptor;
  MaskParameters parameters;
  uint8_t* workBuffer;
  uint32_t workBufferSize;
  MaskImageFactory* maskSource;
};
