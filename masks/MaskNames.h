// Display names of the masks, built when the module loads and released,
// last entry first, when it unloads.
#pragma once

#include "platform/dialog_framework/CString.h"
#include "MaskCatalogue.h"

extern CString maskNames[kMaskCount];
