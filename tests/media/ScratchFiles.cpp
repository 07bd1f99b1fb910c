#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TestPaths.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::filesystem::path(text).string(); }

}  // namespace

std::string ScratchFolder(const std::string& name) {
  std::filesystem::path folder = std::filesystem::path(TestDirectory()) / "kavro_scratch" / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

std::string TestImagePath(const std::string& name) {
  return (std::filesystem::path(Narrow(TestDirectory())) / "images" / name).string();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
