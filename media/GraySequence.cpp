#include "GraySequence.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "FileBytes.h"
#include "GrayPictureFiles.h"
#include "Picture.h"

namespace kavro {

namespace {

namespace fs = std::filesystem;

// Where the single number is: the conversion's start and length.
bool FindNumber(const std::string& path, size_t& start, size_t& length) {
  bool found = false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != '%') continue;
    if (i + 1 < path.size() && path[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    if (j < path.size() && path[j] == '0') ++j;
    while (j < path.size() && j - i <= 4 && std::isdigit(static_cast<unsigned char>(path[j]))) ++j;
    if (j >= path.size() || path[j] != 'd' || found) return false;
    found = true;
    start = i;
    length = j + 1 - i;
    i = j;
  }
  return found;
}

std::string FileOfNumber(const std::string& pattern, unsigned number) {
  size_t start = 0, length = 0;
  FindNumber(pattern, start, length);
  // "%05d": zeros to a width of 5; "%5d": spaces; "%d": the digits alone.
  const bool zeros = pattern[start + 1] == '0';
  const size_t width = length > 2 ? std::stoul(pattern.substr(start + 1, length - 2)) : 0;
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), zeros ? '0' : ' ');
  std::string name;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (i == start) {
      name += digits;
      i += length - 1;
    } else {
      name += pattern[i];
      if (pattern[i] == '%') ++i;  // "%%"
    }
  }
  return name;
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class GraySequence : public GrayFrames {
 public:
  GraySequence(std::string name, std::vector<std::string> files, GrayDecoder decode)
      : name_(std::move(name)), files_(std::move(files)), decode_(std::move(decode)) {
    if (files_.empty()) throw MediaError(name_ + ": no pictures");
    if (!decode_) {
      decode_ = [](const std::vector<uint8_t>& bytes, const std::string& file) {
        return DecodeGrayPicture(bytes.data(), bytes.size(), file);
      };
    }
    auto first = std::make_shared<const GrayImage>(Read(0));
    width_ = first->width;
    height_ = first->height;
    Keep(0, first);
  }

  std::string name() const override { return name_; }
  uint32_t count() const override { return static_cast<uint32_t>(files_.size()); }
  int width() const override { return width_; }
  int height() const override { return height_; }

  std::shared_ptr<const GrayImage> Frame(uint32_t index) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (const Kept& kept : kept_) {
        if (kept.image && kept.index == index) return kept.image;
      }
    }
    auto image = std::make_shared<const GrayImage>(Read(index));
    Keep(index, image);
    return image;
  }

 private:
  GrayImage Read(uint32_t index) const { return decode_(ReadFileBytes(files_.at(index)), files_[index]); }

  struct Kept {
    uint32_t index = 0;
    std::shared_ptr<const GrayImage> image;
  };

  // The threads of a render ask for frames near each other, often the same
  // one: a few are kept, the oldest replaced.
  void Keep(uint32_t index, std::shared_ptr<const GrayImage> image) {
    std::lock_guard<std::mutex> lock(mutex_);
    kept_[next_] = {index, std::move(image)};
    next_ = (next_ + 1) % (sizeof kept_ / sizeof kept_[0]);
  }

  std::string name_;
  std::vector<std::string> files_;
  GrayDecoder decode_;
  int width_ = 0, height_ = 0;
  std::mutex mutex_;
  Kept kept_[4];
  size_t next_ = 0;
};

}  // namespace

bool IsSequencePattern(const std::string& path) {
  size_t start = 0, length = 0;
  return FindNumber(path, start, length);
}

std::vector<std::string> PatternFiles(const std::string& pattern) {
  std::vector<std::string> files;
  unsigned first = 0;
  while (first <= 4 && !IsFile(FileOfNumber(pattern, first))) ++first;
  if (first > 4) return files;
  for (unsigned number = first; number < UINT32_MAX; ++number) {
    std::string file = FileOfNumber(pattern, number);
    if (!IsFile(file)) break;
    files.push_back(std::move(file));
  }
  return files;
}

std::vector<std::string> FolderPngFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) throw MediaError("cannot read the folder " + folder + ": " + error.message());
  for (const fs::directory_entry& entry : entries) {
    const fs::path& path = entry.path();
    if (Lower(path.extension().string()) != ".png" || !entry.is_regular_file(error)) continue;
    files.push_back(path.string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::unique_ptr<GrayFrames> OpenGraySequence(const std::string& name, std::vector<std::string> files,
                                             GrayDecoder decode) {
  return std::make_unique<GraySequence>(name, std::move(files), std::move(decode));
}

}  // namespace kavro
