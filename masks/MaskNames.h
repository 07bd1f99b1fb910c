// Display names of the masks, built when the module loads and released,
// last entry first, when it unloads.
#pragma once

#include "MaskCatalogue.h"
#include "platform/dialog_framework/CString.h"

extern CString maskNames[kMaskCount];
