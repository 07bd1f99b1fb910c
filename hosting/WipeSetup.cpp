#include "WipeSetup.h"

namespace kavro {

TransitionSetup WipeSetup(const WipeSetupFields& fields) {
  TransitionSetup setup = {};
  setup.format.width = fields.width;
  setup.format.height = fields.height;
  setup.format.stride = fields.stride;
  setup.format.totalFrames = fields.totalFrames;
  setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  setup.format.aspectMode = VALUE_SOURCE_OWN;
  setup.format.auxMode = VALUE_SOURCE_OWN;
  setup.userData = fields.userData;
  setup.fetchSourceA = fields.fetchSourceA;
  setup.fetchSourceB = fields.fetchSourceB;
  setup.cropToOutputAspect = fields.cropToOutput ? 1 : 0;
  return setup;
}

}  // namespace kavro
