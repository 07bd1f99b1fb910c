// The plug-in in the mixer's own folder, loaded by path through its exported
// factory, once per process, when the first instance is made. What is wrong
// with it is told once on standard error; the mixer then passes source A
// through instead of failing the editor.
#pragma once

#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro_wipe {

// Folder of the mixer's own file, ending in '/'; empty when unknown.
std::string MixerFolder();

// The plug-in's factory, or null when it could not be loaded.
KavroCreateVideoTransitionProc PluginFactory();

// Writes "kavro_wipe: <message>" to standard error, the first time only for
// each kind of problem.
enum class Problem { kPluginMissing, kMasksMissing, kMasksIncomplete, kNoTransition, kRenderFailed, kCount };
void TellOnce(Problem problem, const std::string& message);

}  // namespace kavro_wipe
