// The one exported entry point.
#include <new>

#include "KavroVideoTransitionMask.h"
#include "masks/MaskImageFactory.h"

extern "C" KIV_PLUGIN_API uint8_t KIV_CDECL KavroCreateVideoTransition(IKavroVideoTransition** transition) {
  if (!transition) return 0;
  MaskImageFactory* maskSource = nullptr;
  try {
    maskSource = new MaskImageFactory;
  } catch (...) {  // out of memory: the caller's pointer stays as it was
    return 0;
  }
  auto* object = new (std::nothrow) KavroVideoTransitionMask(maskSource);
  if (!object) {
    delete maskSource;
    *transition = nullptr;
    return 0;
  }
  *transition = object;
  return 1;
}
