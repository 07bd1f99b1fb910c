#include "PluginFolder.h"

#include "hosting/PluginFiles.h"
#include "hosting/PluginForLibraryHost.h"

namespace kavro_mlt {

// Problem starts with the plug-in's own kinds, in their order.
static_assert(static_cast<int>(Problem::kPluginMissing) == static_cast<int>(kavro::PluginProblem::kPluginMissing) &&
              static_cast<int>(Problem::kMasksMissing) == static_cast<int>(kavro::PluginProblem::kMasksMissing) &&
              static_cast<int>(Problem::kMasksIncomplete) == static_cast<int>(kavro::PluginProblem::kMasksIncomplete));

std::string ModuleFolder() { return kavro::FolderOfLibraryHolding(reinterpret_cast<void*>(&ModuleFolder)); }

std::string PluginFolder() { return ModuleFolder() + "kavro/"; }

KavroCreateVideoTransitionProc PluginFactory() {
  static const KavroCreateVideoTransitionProc factory = kavro::PluginFactoryLoadedOnce(
      PluginFolder() + kavro::PluginFileName(), [](kavro::PluginProblem problem, const std::string& message) {
        TellOnce(static_cast<Problem>(problem), message);
      });
  return factory;
}

void TellOnce(Problem problem, const std::string& message) { kavro::TellOnceOnStderr(problem, message); }

}  // namespace kavro_mlt
