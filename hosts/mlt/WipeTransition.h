// The MLT transition kavro_wipe: A is the a_track's frame, B the b_track's,
// both taken as MLT's packed 4:2:2 with their alpha planes and mixed by the
// plug-in without any conversion.
#pragma once

#include <framework/mlt.h>

namespace kavro_mlt {

// MLT's constructor for the service; `argument` (as in kavro_wipe:wafu2)
// sets the mask.
void* CreateWipeTransition(mlt_profile profile, mlt_service_type type, const char* id, const void* argument);

}  // namespace kavro_mlt
