// Every frame of a YUV4MPEG2 file kavro wrote, as pictures, for tests.
#pragma once

#include <string>
#include <vector>

#include "media/Picture.h"
#include "media/Y4m.h"

struct Y4mOutput {
  kavro::Y4mFormat format;
  std::vector<kavro::Picture> frames;
};

// A missing or unreadable file adds a test failure and gives what was read.
Y4mOutput ReadY4mOutput(const std::string& path);
