// A frei0r plug-in loaded by path the way an editor loads one, with every
// entry point the API requires looked up.
#pragma once

#include <string>

extern "C" {
#include <frei0r.h>
}

class Frei0rPlugin {
 public:
  explicit Frei0rPlugin(const std::string& path);
  ~Frei0rPlugin();
  Frei0rPlugin(const Frei0rPlugin&) = delete;
  Frei0rPlugin& operator=(const Frei0rPlugin&) = delete;

  // Empty when every entry point was found.
  const std::string& error() const { return error_; }

  int (*init)() = nullptr;
  void (*deinit)() = nullptr;
  void (*getPluginInfo)(f0r_plugin_info_t*) = nullptr;
  void (*getParamInfo)(f0r_param_info_t*, int) = nullptr;
  f0r_instance_t (*construct)(unsigned int, unsigned int) = nullptr;
  void (*destruct)(f0r_instance_t) = nullptr;
  void (*setParamValue)(f0r_instance_t, f0r_param_t, int) = nullptr;
  void (*getParamValue)(f0r_instance_t, f0r_param_t, int) = nullptr;
  void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*) = nullptr;
  void (*update2)(f0r_instance_t, double, const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*) = nullptr;

  // Double and boolean parameters.
  void Set(f0r_instance_t instance, int index, double value) const;
  double Get(f0r_instance_t instance, int index) const;

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// <test directory>/frei0r/<folder>/kavro_wipe.so
std::string MixerPath(const std::string& folder);
