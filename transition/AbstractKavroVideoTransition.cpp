#include "AbstractKavroVideoTransition.h"

#include <new>

AbstractKavroVideoTransition::AbstractKavroVideoTransition() : version{1, 0, 0}, supportedFormats(16), setup(nullptr) {}

AbstractKavroVideoTransition::~AbstractKavroVideoTransition() { delete setup; }

uint32_t AbstractKavroVideoTransition::Reserved0(uint32_t) { return 0; }

const TransitionVersion* AbstractKavroVideoTransition::GetVersion() { return &version; }

kiv::vector<KIV_COLOR_FORMAT>* AbstractKavroVideoTransition::GetSupportedFormats() { return &supportedFormats; }

TransitionSetup* AbstractKavroVideoTransition::SetSetup(const TransitionSetup* hostSetup) {
  // The host may hand back the copy GetSetup gave it, edited in place, so
  // the old copy is read before it is given back.
  TransitionSetup* copy = hostSetup ? new (std::nothrow) TransitionSetup : nullptr;
  if (copy) {
    // Field by field: the host's padding bytes are not ours to copy.
    copy->format = hostSetup->format;
    copy->userData = hostSetup->userData;
    copy->fetchSourceA = hostSetup->fetchSourceA;
    copy->fetchSourceB = hostSetup->fetchSourceB;
    copy->cropToOutputAspect = hostSetup->cropToOutputAspect;
  }
  // No record or no memory leaves the object without a setup.
  delete setup;
  setup = copy;
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
