// Opening the plug-in's settings dialog from a host.
#pragma once

#include "IKavroVideoTransition.h"

// Shows the dialog (modal, on this thread) and prints the parameter block
// before and after, and whether the user changed it. On builds without a
// display the dialog cannot show and nothing changes.
void ShowSettings(IKavroVideoTransition& transition);
