// The frei0r entry points of kavro_wipe, a two-input mixer. A host such as
// MLT hands it source A (the a_track's frame) as inframe1 and source B as
// inframe2, both RGBA8888; position 0 shows A, 1 shows B.
#include <cstdint>
#include <cstring>

extern "C" {
#include <frei0r.h>
}

#include "WipeInstance.h"
#include "WipeParameters.h"

using kavro_wipe::WipeInstance;

#define KAVRO_WIPE_EXPORT extern "C" __attribute__((visibility("default")))

// The plug-in is loaded with the first instance and unloaded with the mixer,
// not here: MLT calls f0r_deinit whenever one of its transitions closes,
// while others may still be running, and not f0r_init before a transition.
KAVRO_WIPE_EXPORT int f0r_init() { return 1; }

KAVRO_WIPE_EXPORT void f0r_deinit() {}

KAVRO_WIPE_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (!info) return;
  info->name = "kavro_wipe";
  info->author = "Kavro";
  info->plugin_type = F0R_PLUGIN_TYPE_MIXER2;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 1;
  info->minor_version = 0;
  info->num_params = kavro_wipe::kParameterCount;
  info->explanation = "Animated mask wipe from the first input to the second; animate position from 0 to 1";
}

KAVRO_WIPE_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
  const kavro_wipe::ParameterInfo* parameter = kavro_wipe::FindParameterInfo(param_index);
  if (!info || !parameter) return;
  info->name = parameter->name;
  info->type = parameter->type;
  info->explanation = parameter->explanation;
}

// Any size kavro_media holds, not only multiples of 8: MLT constructs
// instances for whatever its profile says.
KAVRO_WIPE_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  if (!WipeInstance::SizeFits(width, height)) return nullptr;
  try {
    return new WipeInstance(width, height);
  } catch (...) {
    return nullptr;  // nothing may reach the host
  }
}

KAVRO_WIPE_EXPORT void f0r_destruct(f0r_instance_t instance) { delete static_cast<WipeInstance*>(instance); }

// A string parameter's value is a pointer to its text (f0r_param_string*).
KAVRO_WIPE_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (!instance || !param) return;
  auto* wipe = static_cast<WipeInstance*>(instance);
  if (param_index == kavro_wipe::kMatte) {
    wipe->SetText(param_index, *static_cast<const f0r_param_string*>(param));
    return;
  }
  wipe->SetParameter(param_index, *static_cast<const double*>(param));
}

KAVRO_WIPE_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (!instance || !param) return;
  if (param_index == kavro_wipe::kMatte) {
    const char* text = nullptr;
    if (static_cast<const WipeInstance*>(instance)->GetText(param_index, text)) {
      *static_cast<f0r_param_string*>(param) = const_cast<char*>(text);
    }
    return;
  }
  double value = 0;
  if (static_cast<const WipeInstance*>(instance)->GetParameter(param_index, value)) {
    *static_cast<double*>(param) = value;
  }
}

KAVRO_WIPE_EXPORT void f0r_update2(f0r_instance_t instance, double, const uint32_t* inframe1, const uint32_t* inframe2,
                                   const uint32_t*, uint32_t* outframe) {
  if (!instance) return;
  static_cast<WipeInstance*>(instance)->Update(reinterpret_cast<const uint8_t*>(inframe1),
                                               reinterpret_cast<const uint8_t*>(inframe2),
                                               reinterpret_cast<uint8_t*>(outframe));
}

// Only for one input, which a mixer is never given: that input is passed through.
KAVRO_WIPE_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe) {
  f0r_update2(instance, time, inframe, nullptr, nullptr, outframe);
}
