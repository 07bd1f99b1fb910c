// Defaults for every slot; concrete transitions override what they need.
#pragma once

#include "transition/host_api/IKavroVideoTransition.h"

class AbstractKavroVideoTransition : public IKavroVideoTransition {
 public:
  AbstractKavroVideoTransition();
  AbstractKavroVideoTransition(const AbstractKavroVideoTransition&) = delete;
  AbstractKavroVideoTransition& operator=(const AbstractKavroVideoTransition&) = delete;

  uint32_t Reserved0(uint32_t value) override;
  const TransitionVersion* GetVersion() override;
  kiv::vector<KIV_COLOR_FORMAT>* GetSupportedFormats() override;
  TransitionSetup* SetSetup(const TransitionSetup* setup) override;
  void SetParameters(const ParameterDescriptor* parameters) override;
  int32_t RenderFrame(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output) override = 0;
  TransitionSetup* GetSetup() override;
  ParameterDescriptor* GetParameters() override;
  uintptr_t Reserved8() override;
  void Reserved9(uint32_t value) override;
  void Reserved10(uint32_t value) override;
  void Reserved11() override;
  uint8_t ShowSettingsDialog() override;
  void ReleaseWorkBuffer() override;
  void Release() override;

  virtual ~AbstractKavroVideoTransition();

 protected:
  TransitionVersion version;
  kiv::vector<KIV_COLOR_FORMAT> supportedFormats;
  // Set once the formats are listed; sits right behind the list in case a
  // host reads it as a trailing member of what GetSupportedFormats returns.
  uint8_t supportedFormatsReady = 0;
  TransitionSetup* setup;
};
