#include "StaleFrames.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "media/Picture.h"

namespace kavro {

bool IsFrameFileName(const std::string& name) {
  const std::string prefix = "frame_", suffix = ".png";
  if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

void RemoveStaleFrames(const std::string& folder, const std::function<bool(const std::string& name)>& written) {
  std::error_code error;
  std::vector<std::filesystem::path> stale;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (IsFrameFileName(name) && !written(name) && entry.is_regular_file(error)) stale.push_back(entry.path());
  }
  for (const std::filesystem::path& path : stale) {
    if (!std::filesystem::remove(path, error) && error) {
      throw MediaError("cannot remove the earlier frame " + path.string() + ": " + error.message());
    }
  }
}

}  // namespace kavro
