// `kavro info`: what a host sees of the plug-in, and the mask frames beside it.
#pragma once

#include <string>

namespace kavro {

// Prints to standard output; returns the exit code.
int RunInfo(const std::string& pluginOption);

}  // namespace kavro
