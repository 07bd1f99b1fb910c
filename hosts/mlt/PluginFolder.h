// The plug-in in the "kavro" folder beside the module, loaded by path through
// its exported factory, once per process, when the first transition renders.
// (Not beside the module itself: MLT opens every file in its module folder at
// every start, so the plug-in and its resource module would be loaded into
// every MLT program, and a damaged copy would bring each one down.) What is wrong with it is
// told once on standard error; the transition then passes source A through.
#pragma once

#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro_mlt {

// The folder of the module's own file, ending in '/'; empty when unknown.
std::string ModuleFolder();

// Where the plug-in, its resource module, the image library and the
// transition's metadata are: "kavro/" in the module's folder.
std::string PluginFolder();

// The plug-in's factory, or null when it could not be loaded.
KavroCreateVideoTransitionProc PluginFactory();

// Writes "kavro_wipe: <message>" to standard error, the first time only for
// each kind of problem.
enum class Problem {
  kPluginMissing,
  kMasksMissing,
  kMasksIncomplete,
  kNoTransition,
  kRenderFailed,
  kUnknownMask,
  kUnusablePicture,
  kCount
};
void TellOnce(Problem problem, const std::string& message);

}  // namespace kavro_mlt
