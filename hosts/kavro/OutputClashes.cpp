#include "OutputClashes.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "StaleFrames.h"

namespace kavro {

namespace {

namespace fs = std::filesystem;

struct NamedFile {
  std::string role;  // "source A", "-o", ...
  std::string path;
};

bool SameFile(const std::string& first, const std::string& second) {
  std::error_code error;
  const bool bothExist = fs::exists(first, error) && fs::exists(second, error);
  if (bothExist) {
    const bool same = fs::equivalent(first, second, error);
    if (!error) return same;
  }
  // An output not written yet: the same full path, after resolving what exists of it.
  const fs::path left = fs::weakly_canonical(fs::absolute(first, error), error);
  if (error) return first == second;
  const fs::path right = fs::weakly_canonical(fs::absolute(second, error), error);
  if (error) return first == second;
  return left == right;
}

// A frame file of the --png folder: this render replaces or removes those.
bool InFrameFolder(const std::string& input, const std::string& folder) {
  const fs::path path(input);
  if (!IsFrameFileName(path.filename().string())) return false;
  const std::string parent = path.has_parent_path() ? path.parent_path().string() : std::string(".");
  return SameFile(parent, folder);
}

}  // namespace

void RefuseClashingOutputs(const RenderOptions& options) {
  std::vector<NamedFile> inputs;
  static const char* const kSourceNames[] = {"source A", "source B"};
  for (size_t i = 0; i < options.sources.size() && i < 2; ++i) {
    if (options.sources[i] != "-") inputs.push_back({kSourceNames[i], options.sources[i]});
  }
  std::vector<NamedFile> outputs;
  if (!options.output.empty() && options.output != "-") outputs.push_back({"-o", options.output});
  if (!options.sheet.empty()) outputs.push_back({"--sheet", options.sheet});

  if (!options.pngFolder.empty()) {
    for (const NamedFile& input : inputs) {
      if (InFrameFolder(input.path, options.pngFolder)) {
        throw UsageError(input.role + " " + input.path + " is a frame of the --png folder, which this render rewrites");
      }
    }
  }
  for (size_t o = 0; o < outputs.size(); ++o) {
    for (const NamedFile& input : inputs) {
      if (SameFile(outputs[o].path, input.path)) {
        throw UsageError(outputs[o].role + " " + outputs[o].path + " is " + input.role +
                         ": writing it would destroy the input");
      }
    }
    for (size_t other = 0; other < o; ++other) {
      if (SameFile(outputs[o].path, outputs[other].path)) {
        throw UsageError(outputs[o].role + " and " + outputs[other].role + " name the same file " + outputs[o].path);
      }
    }
  }
}

}  // namespace kavro
