// The mask parameters a transition object was last given, so that a host
// rendering frame after frame gives them again only when they change:
// choosing a mask makes the plug-in look its frames up again.
#pragma once

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

class GivenMaskParameters {
 public:
  void Give(IKavroVideoTransition* transition, const MaskParameters& wanted);
  const MaskParameters& given() const { return given_; }

 private:
  bool any_ = false;
  MaskParameters given_ = {};
};

}  // namespace kavro
