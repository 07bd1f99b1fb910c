#include "PluginBeside.h"

#include <atomic>
#include <cstdio>
#include <memory>

#include "PluginFiles.h"
#include "PluginForLibraryHost.h"

namespace kavro_wipe {

namespace {

// Problem starts with the plug-in's own kinds, in their order.
static_assert(static_cast<int>(Problem::kPluginMissing) == static_cast<int>(kavro::PluginProblem::kPluginMissing) &&
              static_cast<int>(Problem::kMasksMissing) == static_cast<int>(kavro::PluginProblem::kMasksMissing) &&
              static_cast<int>(Problem::kMasksIncomplete) == static_cast<int>(kavro::PluginProblem::kMasksIncomplete));

// Lives until the mixer is unloaded; its instances are gone by then.
struct Loaded {
  std::unique_ptr<LoadedPlugin> plugin = kavro::LoadPluginForLibraryHost(
      MixerFolder() + kavro::PluginFileName(), [](kavro::PluginProblem problem, const std::string& message) {
        TellOnce(static_cast<Problem>(problem), message);
      });
};

}  // namespace

std::string MixerFolder() { return kavro::FolderOfLibraryHolding(reinterpret_cast<void*>(&MixerFolder)); }

KavroCreateVideoTransitionProc PluginFactory() {
  static const Loaded loaded;
  return loaded.plugin->error().empty() ? loaded.plugin->factory() : nullptr;
}

void TellOnce(Problem problem, const std::string& message) {
  static std::atomic<bool> told[static_cast<int>(Problem::kCount)];
  if (told[static_cast<int>(problem)].exchange(true)) return;
  std::fprintf(stderr, "kavro_wipe: %s\n", message.c_str());
}

}  // namespace kavro_wipe
