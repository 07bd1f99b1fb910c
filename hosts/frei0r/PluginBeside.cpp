#include "PluginBeside.h"

#include "hosting/PluginFiles.h"
#include "hosting/PluginForLibraryHost.h"

namespace kavro_wipe {

// Problem starts with the plug-in's own kinds, in their order.
static_assert(static_cast<int>(Problem::kPluginMissing) == static_cast<int>(kavro::PluginProblem::kPluginMissing) &&
              static_cast<int>(Problem::kMasksMissing) == static_cast<int>(kavro::PluginProblem::kMasksMissing) &&
              static_cast<int>(Problem::kMasksIncomplete) == static_cast<int>(kavro::PluginProblem::kMasksIncomplete));

std::string MixerFolder() { return kavro::FolderOfLibraryHolding(reinterpret_cast<void*>(&MixerFolder)); }

KavroCreateVideoTransitionProc PluginFactory() {
  static const KavroCreateVideoTransitionProc factory = kavro::PluginFactoryLoadedOnce(
      MixerFolder() + kavro::PluginFileName(), [](kavro::PluginProblem problem, const std::string& message) {
        TellOnce(static_cast<Problem>(problem), message);
      });
  return factory;
}

void TellOnce(Problem problem, const std::string& message) { kavro::TellOnceOnStderr(problem, message); }

}  // namespace kavro_wipe
