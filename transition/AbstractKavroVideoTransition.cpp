#include "AbstractKavroVideoTransition.h"

#include <new>

AbstractKavroVideoTransition::AbstractKavroVideoTransition() : version{1, 0, 0}, supportedFormats(16), setup(nullptr) {}

AbstractKavroVideoTransition::~AbstractKavroVideoTransition() { delete setup; }

uint32_t AbstractKavroVideoTransition::Reserved0(uint32_t) { return 0; }

const TransitionVersion* AbstractKavroVideoTransition::GetVersion() { return &version; }

kiv::vector<KIV_COLOR_FORMAT>* AbstractKavroVideoTransition::GetSupportedFormats() { return &supportedFormats; }

TransitionSetup* AbstractKavroVideoTransition::SetSetup(const TransitionSetup* hostSetup) {
  delete setup;
  setup = nullptr;
  if (!hostSetup) return nullptr;  // nothing to copy; the object is left without a setup
  setup = new (std::nothrow) TransitionSetup;
  if (!setup) return nullptr;
  // Field by field: the host's padding bytes are not ours to copy.
  setup->format = hostSetup->format;
  setup->userData = hostSetup->userData;
  setup->fetchSourceA = hostSetup->fetchSourceA;
  setup->fetchSourceB = hostSetup->fetchSourceB;
  setup->cropToOutputAspect = hostSetup->cropToOutputAspect;
  return setup;
}

void AbstractKavroVideoTransition::SetParameters(const ParameterDescriptor*) {}

TransitionSetup* AbstractKavroVideoTransition::GetSetup() { return setup; }

ParameterDescriptor* AbstractKavroVideoTransition::GetParameters() { return nullptr; }

uintptr_t AbstractKavroVideoTransition::Reserved8() { return 0; }

void AbstractKavroVideoTransition::Reserved9(uint32_t) {}

void AbstractKavroVideoTransition::Reserved10(uint32_t) {}

void AbstractKavroVideoTransition::Reserved11() {}

uint8_t AbstractKavroVideoTransition::ShowSettingsDialog() { return 0; }

void AbstractKavroVideoTransition::ReleaseWorkBuffer() {}

void AbstractKavroVideoTransition::Release() { delete this; }
