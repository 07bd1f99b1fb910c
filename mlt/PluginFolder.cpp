#include "PluginFolder.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "LoadedPlugin.h"
#include "MaskChoice.h"
#include "PluginFiles.h"

namespace kavro_mlt {

namespace {

void CheckMasks(const std::string& pluginPath) {
  const std::string resources = kavro::ResourceModulePath(pluginPath);
  const kavro::MaskFramesFound found = kavro::CountMaskFrames(resources);
  if (!found.moduleLoaded) {
    TellOnce(Problem::kMasksMissing,
             "masks not found (" + kavro::WhyNoMasks(found, resources) + "): every frame shows source A");
    return;
  }
  for (uint32_t mask = 0; mask < kavro::MaskCount(); ++mask) {
    if (found.present[mask] < kavro::MaskFrameCount(mask)) {
      TellOnce(Problem::kMasksIncomplete, std::to_string(found.present[mask]) + " of " +
                                              std::to_string(kavro::MaskFrameCount(mask)) + " frames of " +
                                              kavro::MaskName(mask) + " found in " + resources +
                                              ": frames without a mask show source A");
    }
  }
}

// Lives until the module is unloaded, after MLT has closed its transitions.
struct Loaded {
  std::unique_ptr<LoadedPlugin> plugin;

  Loaded() {
    const std::string path = PluginFolder() + kavro::PluginFileName();
    plugin = std::make_unique<LoadedPlugin>(path);
    if (!plugin->error().empty()) {
      TellOnce(Problem::kPluginMissing, plugin->error() + ": every frame shows source A");
      return;
    }
    CheckMasks(path);
  }
};

}  // namespace

std::string ModuleFolder() {
  Dl_info info = {};
  if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname) return "";
  const std::string path = info.dli_fname;
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string PluginFolder() { return ModuleFolder() + "kavro/"; }

KavroCreateVideoTransitionProc PluginFactory() {
  static const Loaded loaded;
  return loaded.plugin->error().empty() ? loaded.plugin->factory() : nullptr;
}

void TellOnce(Problem problem, const std::string& message) {
  static std::atomic<bool> told[static_cast<int>(Problem::kCount)];
  if (told[static_cast<int>(problem)].exchange(true)) return;
  std::fprintf(stderr, "kavro_wipe: %s\n", message.c_str());
}

}  // namespace kavro_mlt
