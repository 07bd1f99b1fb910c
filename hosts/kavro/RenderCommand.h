// `kavro render`: opens the sources and outputs, renders, reports.
#pragma once

#include "CommandLine.h"

namespace kavro {

// Returns the exit code; messages go to standard error. Throws MediaError
// for sources, outputs or a plug-in that cannot be used.
int RunRender(const RenderOptions& options);

}  // namespace kavro
