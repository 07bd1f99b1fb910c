// Reference host. Loads the plug-in, creates a transition through the
// exported factory and prints what a host sees, then summarises the mask
// frames found in the resource module beside it. With --settings it first
// opens the transition's settings dialog and waits for the user.
//
// Usage: kiv_host [--settings] PLUGIN_PATH
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "IKavroVideoTransition.h"
#include "LoadedPlugin.h"
#include "MaskCatalogue.h"
#include "ModuleServices.h"
#include "ShowSettings.h"

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

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

// Frames of one mask as the plug-in will find them: present ids, gaps.
void PrintMaskFrames(HMODULE module, uint32_t mask, uint16_t firstId) {
  uint32_t count = maskFrameCounts[mask];
  uint32_t present = 0;
  std::string gaps;
  for (uint32_t k = 0; k < count; ++k) {
    auto id = static_cast<uint16_t>(firstId + k);
    if (module && FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG")) {
      ++present;
    } else if (module && gaps.size() < 60) {
      gaps += " " + std::to_string(id);
    }
  }
  std::printf("  %u  %-24s ids %u-%u, %u of %u frames present%s%s\n", mask, Narrow(maskNameTexts[mask]).c_str(),
              firstId, firstId + count - 1, present, count, gaps.empty() ? "" : ", missing:", gaps.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const bool settings = argc == 3 && std::strcmp(argv[1], "--settings") == 0;
  if (argc != 2 + (settings ? 1 : 0) || argv[argc - 1][0] == '-') {
    std::fprintf(stderr, "usage: kiv_host [--settings] PLUGIN_PATH\n");
    return 2;
  }
  std::string pluginPath = argv[argc - 1];
  LoadedPlugin plugin(pluginPath);
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kiv_host: %s\n", plugin.error().c_str());
    return 1;
  }
  IKavroVideoTransition* transition = nullptr;
  if (!plugin.factory()(&transition) || !transition) {
    std::fprintf(stderr, "kiv_host: KavroCreateVideoTransition failed\n");
    return 1;
  }
  std::printf("plug-in            %s\n", pluginPath.c_str());
  if (settings) ShowSettings(*transition);
  PrintTransition(*transition);
  transition->Release();

  size_t slash = pluginPath.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : pluginPath.substr(0, slash + 1);
  std::string resourcePath = folder + "Old" + pluginPath.substr(slash == std::string::npos ? 0 : slash + 1);
  HMODULE resources = LoadLibraryExW(Widen(resourcePath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  std::printf("resource module    %s%s\n", resourcePath.c_str(), resources ? "" : " (not found: no mask frames)");
  std::printf("masks\n");
  for (uint32_t mask = 0; mask < kMaskCount; ++mask) PrintMaskFrames(resources, mask, MaskFirstResourceId(mask));
  if (resources) FreeLibrary(resources);
  return 0;
}
