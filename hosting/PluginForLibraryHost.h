// What a host that is itself a shared library (the frei0r mixer, the MLT
// module) does to find and load the plug-in: its own folder, and the plug-in
// loaded once with every problem said, so that the host can pass source A
// through instead of failing the program that loaded it. POSIX only.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "LoadedPlugin.h"

namespace kavro {

// Folder of the shared library that holds `address`, ending in '/'; empty
// when unknown.
std::string FolderOfLibraryHolding(const void* address);

enum class PluginProblem { kPluginMissing, kMasksMissing, kMasksIncomplete };
using TellPluginProblem = std::function<void(PluginProblem, const std::string&)>;

// The plug-in at `path`, loaded; `tell` hears each problem with it or its
// masks, ending in what the frames then show.
std::unique_ptr<LoadedPlugin> LoadPluginForLibraryHost(const std::string& path, const TellPluginProblem& tell);

// The factory of the plug-in at `path`, which is loaded at the first call and
// kept until the calling library is unloaded, after its host has closed every
// transition; null when it could not be loaded. One plug-in per library: the
// first call's arguments hold.
KavroCreateVideoTransitionProc PluginFactoryLoadedOnce(const std::string& path, const TellPluginProblem& tell);

// Writes "kavro_wipe: <message>" to standard error, the first time only for
// each kind of problem; `Kind` is an enum whose last member is kCount.
template <typename Kind>
void TellOnceOnStderr(Kind kind, const std::string& message) {
  static std::atomic<bool> told[static_cast<int>(Kind::kCount)];
  if (told[static_cast<int>(kind)].exchange(true)) return;
  std::fprintf(stderr, "kavro_wipe: %s\n", message.c_str());
}

}  // namespace kavro
