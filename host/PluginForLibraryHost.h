// What a host that is itself a shared library (the frei0r mixer, the MLT
// module) does to find and load the plug-in: its own folder, and the plug-in
// loaded once with every problem said, so that the host can pass source A
// through instead of failing the program that loaded it. POSIX only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "LoadedPlugin.h"

namespace kavro {

// Folder of the shared library that holds `address`, ending in '/'; empty
// when unknown.
std::string FolderOfLibraryHolding(const void* address);

enum class PluginProblem { kPluginMissing, kMasksMissing, kMasksIncomplete };

// The plug-in at `path`, loaded; `tell` hears each problem with it or its
// masks, ending in what the frames then show.
std::unique_ptr<LoadedPlugin> LoadPluginForLibraryHost(
    const std::string& path, const std::function<void(PluginProblem, const std::string&)>& tell);

}  // namespace kavro
