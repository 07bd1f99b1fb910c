#include "Y4mOutput.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "media/Y4mReader.h"

Y4mOutput ReadY4mOutput(const std::string& path) {
  Y4mOutput output;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    ADD_FAILURE() << "no output " << path;
    return output;
  }
  try {
    kavro::Y4mReader reader(file, path);
    output.format = reader.format();
    std::vector<uint8_t> planes;
    while (reader.ReadFrame(planes)) {
      output.frames.push_back(kavro::Y4mPlanesToPicture(reader.format(), planes.data()));
    }
  } catch (const kavro::MediaError& error) {
    ADD_FAILURE() << error.what();
  }
  std::fclose(file);
  return output;
}
