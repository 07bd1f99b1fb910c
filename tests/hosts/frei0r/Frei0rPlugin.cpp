#include "Frei0rPlugin.h"

#include <dlfcn.h>

#include <filesystem>

#include "tests/support/TestPaths.h"

namespace {

template <typename Function>
void Find(void* handle, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  if (!function) error += std::string(error.empty() ? "" : ", ") + "no " + name;
}

}  // namespace

Frei0rPlugin::Frei0rPlugin(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = dlerror();
    error_ = "cannot load " + path + ": " + (reason ? reason : "?");
    return;
  }
  Find(handle_, "f0r_init", init, error_);
  Find(handle_, "f0r_deinit", deinit, error_);
  Find(handle_, "f0r_get_plugin_info", getPluginInfo, error_);
  Find(handle_, "f0r_get_param_info", getParamInfo, error_);
  Find(handle_, "f0r_construct", construct, error_);
  Find(handle_, "f0r_destruct", destruct, error_);
  Find(handle_, "f0r_set_param_value", setParamValue, error_);
  Find(handle_, "f0r_get_param_value", getParamValue, error_);
  Find(handle_, "f0r_update", update, error_);
  Find(handle_, "f0r_update2", update2, error_);
}

Frei0rPlugin::~Frei0rPlugin() {
  if (handle_) dlclose(handle_);
}

void Frei0rPlugin::Set(f0r_instance_t instance, int index, double value) const {
  setParamValue(instance, &value, index);
}

double Frei0rPlugin::Get(f0r_instance_t instance, int index) const {
  double value = -1;
  getParamValue(instance, &value, index);
  return value;
}

std::string MixerPath(const std::string& folder) {
  return (std::filesystem::path(TestDirectory()) / "frei0r" / folder / "kavro_wipe.so").string();
}
