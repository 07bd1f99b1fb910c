#include "GivenMaskParameters.h"

namespace kavro {

void GivenMaskParameters::Give(IKavroVideoTransition* transition, const MaskParameters& wanted) {
  if (any_ && wanted.maskIndex == given_.maskIndex && wanted.invert == given_.invert &&
      wanted.reverse == given_.reverse) {
    return;
  }
  MaskParameters copy = wanted;  // the call takes a non-const descriptor
  ParameterDescriptor descriptor = {&copy, sizeof copy};
  transition->SetParameters(&descriptor);
  given_ = wanted;
  any_ = true;
}

}  // namespace kavro
