// Compile-time proof that the host records have the host's byte layout.
// Offsets are exact on 32-bit targets; 64-bit builds check field order.
#include <stddef.h>

#include "transition/host_api/IKavroVideoTransition.h"

// offsetof on the format list (it has a table pointer) is what we want to pin down.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define KIV_AT(type, field, offset32)                                      \
  static_assert(sizeof(void*) != 4 || offsetof(type, field) == (offset32), \
                #type "::" #field " must sit at byte " #offset32 " on 32-bit hosts")

static_assert(sizeof(KIV_COLOR_FORMAT) == 4 && sizeof(VALUE_SOURCE) == 4, "enums are 32-bit");

static_assert(sizeof(FrameFormat) == 64 && alignof(FrameFormat) == 8, "FrameFormat is 64 bytes, 8-aligned");
KIV_AT(FrameFormat, width, 0);
KIV_AT(FrameFormat, height, 4);
KIV_AT(FrameFormat, stride, 8);
KIV_AT(FrameFormat, aspectWidth, 12);
KIV_AT(FrameFormat, aspectHeight, 16);
KIV_AT(FrameFormat, reserved20, 20);
KIV_AT(FrameFormat, totalFrames, 32);
KIV_AT(FrameFormat, colorFormat, 40);
KIV_AT(FrameFormat, reserved44, 44);
KIV_AT(FrameFormat, auxValue, 48);
KIV_AT(FrameFormat, aspectMode, 52);
KIV_AT(FrameFormat, auxMode, 56);
KIV_AT(FrameFormat, reserved60, 60);

static_assert(sizeof(void*) != 4 || (sizeof(TransitionSetup) == 80 && alignof(TransitionSetup) == 8),
              "TransitionSetup is 80 bytes, 8-aligned on 32-bit hosts");
KIV_AT(TransitionSetup, format, 0);
KIV_AT(TransitionSetup, userData, 64);
KIV_AT(TransitionSetup, fetchSourceA, 68);
KIV_AT(TransitionSetup, fetchSourceB, 72);
KIV_AT(TransitionSetup, cropToOutputAspect, 76);

static_assert(sizeof(FrameBuffer) == 32 && alignof(FrameBuffer) == 8, "FrameBuffer is 32 bytes, 8-aligned");
KIV_AT(FrameBuffer, data, 0);
KIV_AT(FrameBuffer, size, 8);
KIV_AT(FrameBuffer, aspectHeight, 16);
KIV_AT(FrameBuffer, aspectWidth, 20);
KIV_AT(FrameBuffer, auxValue, 24);
KIV_AT(FrameBuffer, reserved28, 28);

static_assert(sizeof(ParameterDescriptor) == 16 && alignof(ParameterDescriptor) == 8,
              "ParameterDescriptor is 16 bytes, 8-aligned");
KIV_AT(ParameterDescriptor, data, 0);
KIV_AT(ParameterDescriptor, size, 8);

static_assert(sizeof(MaskParameters) == 8, "MaskParameters is 8 bytes");
static_assert(offsetof(MaskParameters, maskIndex) == 0 && offsetof(MaskParameters, invert) == 4 &&
                  offsetof(MaskParameters, reverse) == 5 && offsetof(MaskParameters, spare) == 6,
              "MaskParameters field offsets");

static_assert(sizeof(TransitionVersion) == 12, "version record is 12 bytes");
static_assert(offsetof(TransitionVersion, minor) == 4 && offsetof(TransitionVersion, revision) == 8,
              "version record field offsets");

// The format list: table pointer, items, count, capacity.
static_assert(sizeof(void*) != 4 || sizeof(kiv::vector<KIV_COLOR_FORMAT>) == 16,
              "kiv::vector is 16 bytes on 32-bit hosts");
static_assert(offsetof(kiv::vector<KIV_COLOR_FORMAT>, items) == sizeof(void*) &&
                  offsetof(kiv::vector<KIV_COLOR_FORMAT>, count) == 2 * sizeof(void*) &&
                  offsetof(kiv::vector<KIV_COLOR_FORMAT>, capacity) == 2 * sizeof(void*) + 4,
              "kiv::vector members follow its table pointer");

// The interface object is just its table pointer.
static_assert(sizeof(IKavroVideoTransition) == sizeof(void*), "IKavroVideoTransition holds only its table");
