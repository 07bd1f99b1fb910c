#include "PluginForLibraryHost.h"

#include <dlfcn.h>

#include "MaskChoice.h"
#include "PluginFiles.h"

namespace kavro {

namespace {

void CheckMasks(const std::string& pluginPath, const TellPluginProblem& tell) {
  const std::string resources = ResourceModulePath(pluginPath);
  const MaskFramesFound found = CountMaskFrames(resources);
  if (!found.moduleLoaded) {
    tell(PluginProblem::kMasksMissing,
         "masks not found (" + WhyNoMasks(found, resources) + "): every frame shows source A");
    return;
  }
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    if (found.present[mask] < MaskFrameCount(mask)) {
      tell(PluginProblem::kMasksIncomplete, std::to_string(found.present[mask]) + " of " +
                                                std::to_string(MaskFrameCount(mask)) + " frames of " + MaskName(mask) +
                                                " found in " + resources + ": frames without a mask show source A");
    }
  }
}

}  // namespace

std::string FolderOfLibraryHolding(const void* address) {
  Dl_info info = {};
  if (!dladdr(address, &info) || !info.dli_fname) return "";
  const std::string path = info.dli_fname;
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::unique_ptr<LoadedPlugin> LoadPluginForLibraryHost(const std::string& path, const TellPluginProblem& tell) {
  auto plugin = std::make_unique<LoadedPlugin>(path);
  if (!plugin->error().empty()) {
    tell(PluginProblem::kPluginMissing, plugin->error() + ": every frame shows source A");
  } else {
    CheckMasks(path, tell);
  }
  return plugin;
}

KavroCreateVideoTransitionProc PluginFactoryLoadedOnce(const std::string& path, const TellPluginProblem& tell) {
  static const std::unique_ptr<LoadedPlugin> plugin = LoadPluginForLibraryHost(path, tell);
  return plugin->error().empty() ? plugin->factory() : nullptr;
}

}  // namespace kavro
