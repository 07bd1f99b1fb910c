// Where kavro finds the plug-in, and whether its masks are beside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

// The plug-in's file name on this platform.
std::string PluginFileName();

// The running program's folder, ending in a separator.
std::string ProgramFolder();

// Without --plugin: beside the program, then in dist/ beside it, then in
// dist/ one folder up (the build tree's layout).
std::vector<std::string> DefaultPluginPaths();

// The given path, or the first default one that exists. Throws HostingError
// naming the places looked at.
std::string FindPlugin(const std::string& given);

// "Old" + the plug-in's file name, in the plug-in's folder.
std::string ResourceModulePath(const std::string& pluginPath);

// Frames of each mask present in a resource module.
struct MaskFramesFound {
  bool moduleFileExists = false;
  bool moduleLoaded = false;
  std::vector<uint32_t> present;               // per mask
  std::vector<std::vector<uint32_t>> missing;  // per mask: the first few absent ids
};
MaskFramesFound CountMaskFrames(const std::string& resourceModulePath);

// Why no mask can be shown, for a module that did not load: "no PATH", or
// "PATH is damaged or not a module".
std::string WhyNoMasks(const MaskFramesFound& found, const std::string& resourceModulePath);

}  // namespace kavro
