// The MLT module: registers the transition kavro_wipe and its metadata.
#include <framework/mlt.h>
#include <sys/stat.h>

#include <string>

#include "PluginFolder.h"
#include "WipeTransition.h"

namespace {

constexpr const char* kMetadataFile = "transition_kavro_wipe.yml";

bool IsFile(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Beside the plug-in, then in MLT's data folder, where a system install puts it.
mlt_properties Metadata(mlt_service_type, const char*, void*) {
  std::string path = kavro_mlt::PluginFolder() + kMetadataFile;
  if (!IsFile(path)) {
    const char* data = mlt_environment("MLT_DATA");
    if (!data) return nullptr;
    path = std::string(data) + "/kavro/" + kMetadataFile;
  }
  return mlt_properties_parse_yaml(path.c_str());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) MLT_REPOSITORY {
  MLT_REGISTER(mlt_service_transition_type, "kavro_wipe", kavro_mlt::CreateWipeTransition);
  MLT_REGISTER_METADATA(mlt_service_transition_type, "kavro_wipe", Metadata, nullptr);
}
