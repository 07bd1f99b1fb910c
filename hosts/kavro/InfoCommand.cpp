#include "InfoCommand.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "CommandLine.h"
#include "hosting/LoadedPlugin.h"
#include "hosting/MaskChoice.h"
#include "hosting/PluginFiles.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

namespace {

const char* FormatName(KIV_COLOR_FORMAT format) {
  return format == COLOR_FORMAT_YUV422_ALPHA ? "YUV422 + alpha (12)" : "unknown";
}

void PrintTransition(IKavroVideoTransition& transition) {
  const TransitionVersion* version = transition.GetVersion();
  std::printf("version            %u.%u.%u\n", version->major, version->minor, version->revision);
  const kiv::vector<KIV_COLOR_FORMAT>* formats = transition.GetSupportedFormats();
  std::printf("supported formats  %u:", formats->count);
  for (uint32_t i = 0; i < formats->count; ++i) std::printf(" %s", FormatName(formats->items[i]));
  std::printf("\n");
  const ParameterDescriptor* parameters = transition.GetParameters();
  MaskParameters block;
  std::memcpy(&block, parameters->data, sizeof block);
  std::printf("parameters         %u bytes: mask %u, invert %u, reverse %u\n", static_cast<unsigned>(parameters->size),
              block.maskIndex, block.invert, block.reverse);
}

}  // namespace

int RunInfo(const std::string& pluginOption) {
  const std::string pluginPath = FindPlugin(pluginOption);
  LoadedPlugin plugin(pluginPath);
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kavro: %s\n", plugin.error().c_str());
    return 1;
  }
  IKavroVideoTransition* transition = nullptr;
  if (!plugin.factory()(&transition) || !transition) {
    std::fprintf(stderr, "kavro: the plug-in could not create a transition\n");
    return 1;
  }
  std::printf("plug-in            %s\n", pluginPath.c_str());
  PrintTransition(*transition);
  transition->Release();

  const std::string resources = ResourceModulePath(pluginPath);
  const MaskFramesFound found = CountMaskFrames(resources);
  std::printf("resource module    %s%s\n", resources.c_str(),
              found.moduleLoaded ? ""
                                 : (found.moduleFileExists ? " (damaged or not a module: no mask frames)"
                                                           : " (not found: no mask frames)"));
  std::printf("masks\n");
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    const uint32_t first = MaskFirstFrameId(mask), count = MaskFrameCount(mask);
    std::string missing;
    if (found.moduleLoaded) {
      for (uint32_t id : found.missing[mask]) missing += " " + std::to_string(id);
    }
    std::printf("  %u  %-24s ids %u-%u, %u of %u frames present%s%s\n", mask, MaskName(mask).c_str(), first,
                first + count - 1, found.present[mask], count, missing.empty() ? "" : ", missing:", missing.c_str());
  }
  std::printf("own mattes         render --mask PATH: %s\n", OwnMattesText().c_str());
  return 0;
}

}  // namespace kavro
