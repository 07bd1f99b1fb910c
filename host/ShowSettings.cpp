#include "ShowSettings.h"

#include <cstdio>
#include <cstring>

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

}  // namespace

void ShowSettings(IKavroVideoTransition& transition) {
  const MaskParameters before = ReadBlock(transition);
  PrintBlock("before the dialog", before);
  const bool answered = transition.ShowSettingsDialog() != 0;
  const MaskParameters after = ReadBlock(transition);
  PrintBlock("after the dialog", after);
  // The slot answers true for OK and Cancel alike; comparing the block tells them apart.
  const bool changed =
      before.maskIndex != after.maskIndex || before.invert != after.invert || before.reverse != after.reverse;
  std::printf("settings dialog    answered %s, parameters %s\n", answered ? "true" : "false",
              changed ? "changed" : "unchanged");
}
