#include "SettingsCommand.h"

#include <cstdio>
#include <cstring>

#include "hosting/LoadedPlugin.h"
#include "hosting/PluginFiles.h"
#include "media/Picture.h"

namespace kavro {

namespace {

MaskParameters ReadBlock(IKavroVideoTransition& transition) {
  MaskParameters block = {0, 0, 0, {0, 0}};
  const ParameterDescriptor* descriptor = transition.GetParameters();
  if (descriptor && descriptor->data) std::memcpy(&block, descriptor->data, sizeof block);
  return block;
}

void PrintBlock(const char* when, const MaskParameters& block) {
  std::printf("%-18s mask %u, invert %u, reverse %u\n", when, block.maskIndex, block.invert, block.reverse);
}

bool SameBlock(const MaskParameters& a, const MaskParameters& b) {
  return a.maskIndex == b.maskIndex && a.invert == b.invert && a.reverse == b.reverse;
}

// Owns one transition object for as long as a dialog needs it.
struct Transition {
  explicit Transition(KavroCreateVideoTransitionProc factory) {
    if (!factory || !factory(&object) || !object) throw MediaError("the plug-in could not create a transition");
  }
  ~Transition() { object->Release(); }
  Transition(const Transition&) = delete;
  Transition& operator=(const Transition&) = delete;
  IKavroVideoTransition* object = nullptr;
};

}  // namespace

int RunSettings(const std::string& pluginOption) {
  const std::string pluginPath = FindPlugin(pluginOption);
  LoadedPlugin plugin(pluginPath);
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kavro: %s\n", plugin.error().c_str());
    return 1;
  }
  Transition transition(plugin.factory());
  const MaskParameters before = ReadBlock(*transition.object);
  PrintBlock("before the dialog", before);
  const bool answered = transition.object->ShowSettingsDialog() != 0;
  const MaskParameters after = ReadBlock(*transition.object);
  PrintBlock("after the dialog", after);
  // The slot answers true for OK and Cancel alike; the block tells them apart.
  std::printf("settings dialog    answered %s, parameters %s\n", answered ? "true" : "false",
              SameBlock(before, after) ? "unchanged" : "changed");
  return 0;
}

MaskParameters ChooseInDialog(KavroCreateVideoTransitionProc factory, const MaskParameters& parameters,
                              uint32_t frames) {
  Transition transition(factory);
  MaskParameters block = parameters;
  ParameterDescriptor descriptor = {&block, sizeof block};
  transition.object->SetParameters(&descriptor);
  // The dialog reads only the frame count of a setup.
  TransitionSetup setup = {};
  setup.format.totalFrames = frames;
  transition.object->SetSetup(&setup);
  transition.object->ShowSettingsDialog();
  return ReadBlock(*transition.object);
}

}  // namespace kavro
