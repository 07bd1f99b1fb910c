#include "PluginForLibraryHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <memory>

#include "LoadedPlugin.h"
#include "MaskChoice.h"
#include "PluginFiles.h"

namespace kavro {

namespace {

void CheckMasks(const std::string& pluginPath, ProblemsOnce& problems) {
  const std::string resources = ResourceModulePath(pluginPath);
  const MaskFramesFound found = CountMaskFrames(resources);
  if (!found.moduleLoaded) {
    problems.Tell("masks missing",
                  "masks not found (" + WhyNoMasks(found, resources) + "): every frame shows source A");
    return;
  }
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    if (found.present[mask] < MaskFrameCount(mask)) {
      problems.Tell("masks incomplete", std::to_string(found.present[mask]) + " of " +
                                            std::to_string(MaskFrameCount(mask)) + " frames of " + MaskName(mask) +
                                            " found in " + resources + ": frames without a mask show source A");
    }
  }
}

std::unique_ptr<LoadedPlugin> LoadPlugin(const std::string& path, ProblemsOnce& problems) {
  auto plugin = std::make_unique<LoadedPlugin>(path);
  if (!plugin->error().empty()) {
    problems.Tell("plug-in missing", plugin->error() + ": every frame shows source A");
  } else {
    CheckMasks(path, problems);
  }
  return plugin;
}

}  // namespace

bool ProblemsOnce::First(const std::string& kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  return told_.insert(kind).second;
}

bool ProblemsOnce::Tell(const std::string& kind, const std::string& message) {
  if (!First(kind)) return false;
  std::fprintf(stderr, "%s: %s\n", prefix_.c_str(), message.c_str());
  return true;
}

std::string FolderOfLibraryHolding(const void* address) {
  Dl_info info = {};
  if (!dladdr(address, &info) || !info.dli_fname) return "";
  const std::string path = info.dli_fname;
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

KavroCreateVideoTransitionProc PluginFactoryBeside(const void* address, const std::string& subfolder,
                                                   ProblemsOnce& problems) {
  static const std::unique_ptr<LoadedPlugin> plugin =
      LoadPlugin(FolderOfLibraryHolding(address) + subfolder + PluginFileName(), problems);
  return plugin->error().empty() ? plugin->factory() : nullptr;
}

}  // namespace kavro
