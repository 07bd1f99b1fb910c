// `kavro settings` and `kavro render --settings`: the plug-in's own settings
// dialog, shown as a video editor shows it.
#pragma once

#include <cstdint>
#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

// Shows the dialog of a new transition (modal, on this thread) and prints
// the parameter block before and after, and whether the user changed it.
// Where no display exists the dialog cannot show and nothing changes.
// Returns the exit code.
int RunSettings(const std::string& pluginOption);

// The block after the user has seen the dialog of a transition that holds
// `parameters` and lasts `frames` frames. Throws MediaError when the
// plug-in cannot create a transition.
MaskParameters ChooseInDialog(KavroCreateVideoTransitionProc factory, const MaskParameters& parameters,
                              uint32_t frames);

}  // namespace kavro
