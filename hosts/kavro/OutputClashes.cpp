#include "OutputClashes.h"

#include <cctype>
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

// The protocol a name gives FFmpeg's libraries ("file", "http", "pipe", ...),
// lower case; empty for a plain path (a drive letter is no protocol).
std::string ProtocolOf(const std::string& name) {
  const size_t colon = name.find(':');
  if (colon == std::string::npos || colon < 2) return "";
  std::string protocol;
  for (size_t i = 0; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return "";
    protocol += static_cast<char>(std::tolower(c));
  }
  return protocol;
}

// The files a name may stand for: itself, and the file behind FFmpeg's
// "file:" when it has one (kavro's own readers and writers take the name as
// it is, FFmpeg's libraries without the prefix, so both count).
std::vector<std::string> FilesNamed(const std::string& name) {
  std::vector<std::string> files = {name};
  if (ProtocolOf(name) == "file") files.push_back(name.substr(5));
  return files;
}

// Whether `name` is a file of the sequence `pattern`, whose numbers are
// printf's %d, %0Nd or %Nd: each stands for one or more digits.
bool InSequence(const std::string& name, const std::string& pattern) {
  size_t n = 0, p = 0;
  while (p < pattern.size()) {
    if (pattern[p] == '%') {
      size_t conversion = p + 1;
      while (conversion < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[conversion]))) ++conversion;
      if (conversion < pattern.size() && pattern[conversion] == 'd') {
        const size_t digits = n;
        while (n < name.size() && std::isdigit(static_cast<unsigned char>(name[n]))) ++n;
        if (n == digits) return false;
        p = conversion + 1;
        continue;
      }
    }
    if (n >= name.size() || name[n] != pattern[p]) return false;
    ++n;
    ++p;
  }
  return n == name.size();
}

// The files of an image sequence named by a printf pattern ("frame_%05d.png"),
// as they stand in its folder now; none for a name that is no pattern.
std::vector<std::string> SequenceFiles(const std::string& pattern) {
  const fs::path path(pattern);
  const std::string name = path.filename().string();
  const size_t percent = name.find('%');
  if (percent == std::string::npos || name.find('d', percent) == std::string::npos) return {};
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::vector<std::string> found;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    if (InSequence(entry->path().filename().string(), name)) found.push_back(entry->path().string());
  }
  return found;
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
    if (options.sources[i] == "-") continue;
    for (const std::string& file : FilesNamed(options.sources[i])) {
      inputs.push_back({kSourceNames[i], file});
      for (const std::string& frame : SequenceFiles(file)) {
        inputs.push_back({std::string(kSourceNames[i]) + "'s frame", frame});
      }
    }
  }
  // The user's own matte: a file, a pattern's files, or a folder's.
  if (!options.matte.empty()) {
    for (const std::string& file : FilesNamed(options.matte)) {
      inputs.push_back({"the matte", file});
      for (const std::string& frame : SequenceFiles(file)) inputs.push_back({"the matte's frame", frame});
      std::error_code error;
      if (!fs::is_directory(file, error)) continue;
      for (fs::directory_iterator entry(file, error), end; !error && entry != end; entry.increment(error)) {
        inputs.push_back({"the matte's frame", entry->path().string()});
      }
      if (!options.pngFolder.empty() && SameFile(file, options.pngFolder)) {
        throw UsageError("--png " + options.pngFolder + " is the matte's folder: its frames would join the matte");
      }
    }
  }
  std::vector<NamedFile> outputs;
  if (!options.output.empty() && options.output != "-") outputs.push_back({"-o", options.output});
  if (!options.sheet.empty()) outputs.push_back({"--sheet", options.sheet});

  std::vector<NamedFile> written = outputs;
  if (!options.pngFolder.empty()) written.push_back({"--png", options.pngFolder});
  for (const NamedFile& output : written) {
    const std::string protocol = ProtocolOf(output.path);
    if (!protocol.empty() && protocol != "file") {
      throw UsageError(output.role + " takes a file's path or -, not the " + protocol + " protocol (" + output.path +
                       ")");
    }
  }

  if (!options.pngFolder.empty()) {
    for (const NamedFile& input : inputs) {
      if (InFrameFolder(input.path, options.pngFolder)) {
        throw UsageError(input.role + " " + input.path + " is a frame of the --png folder, which this render rewrites");
      }
    }
  }
  for (size_t o = 0; o < outputs.size(); ++o) {
    for (const std::string& file : FilesNamed(outputs[o].path)) {
      for (const NamedFile& input : inputs) {
        if (SameFile(file, input.path)) {
          throw UsageError(outputs[o].role + " " + outputs[o].path + " is " + input.role +
                           ": writing it would destroy the input");
        }
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
