// What a host that is itself a shared library (the frei0r mixer, the MLT
// module) does to find and load the plug-in: look in a folder beside its own
// file, load the plug-in once, and say every problem once on standard error,
// so that the host can pass source A through instead of failing the program
// that loaded it. POSIX only.
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

// Writes "<prefix>: <message>" to standard error, the first time only for
// each kind of problem. Safe to call from several threads.
class ProblemsOnce {
 public:
  explicit ProblemsOnce(std::string prefix) : prefix_(std::move(prefix)) {}

  // True the first time only for each kind, said or not.
  bool First(const std::string& kind);

  // False when a problem of this kind was said before.
  bool Tell(const std::string& kind, const std::string& message);

 private:
  const std::string prefix_;
  std::mutex mutex_;
  std::set<std::string> told_;
};

// Folder of the shared library that holds `address`, ending in '/'; empty
// when unknown.
std::string FolderOfLibraryHolding(const void* address);

// The factory of the plug-in in `subfolder` (empty, or ending in '/') of the
// folder of the library that holds `address`, loaded at the first call and
// kept until the calling library is unloaded, after its host has closed
// every transition; null when it could not be loaded. `problems` hears what
// is wrong with it or its masks, ending in what the frames then show. One
// plug-in per library: the first call's arguments hold.
KavroCreateVideoTransitionProc PluginFactoryBeside(const void* address, const std::string& subfolder,
                                                   ProblemsOnce& problems);

}  // namespace kavro
