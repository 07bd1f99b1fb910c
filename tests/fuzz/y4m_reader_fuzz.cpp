// kavro's YUV4MPEG2 reader over a stream of arbitrary bytes, read as a
// seekable file: the header, the count of the frames ahead, then up to three
// frames, each brought to a 4:2:2 picture.
//
// Whatever the bytes, the only failure is a MediaError; an accepted header
// lies within the picture limits and writes out as a header that reads back
// the same; every frame read has the stream's frame size and makes a picture
// of the stream's size.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "media/Picture.h"
#include "media/Y4m.h"
#include "media/Y4mReader.h"

using namespace kavro;

namespace {

struct CloseFile {
  void operator()(FILE* file) const { fclose(file); }
};

void ExpectPictureOf(const Y4mFormat& format, const Picture& picture) {
  const size_t area = static_cast<size_t>(format.width) * format.height;
  const size_t chroma = static_cast<size_t>(picture.chromaWidth()) * format.height;
  FUZZ_CHECK(picture.width == format.width && picture.height == format.height);
  FUZZ_CHECK(picture.y.size() == area && picture.alpha.size() == area);
  FUZZ_CHECK(picture.cb.size() == chroma && picture.cr.size() == chroma);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // no stream can be opened over nothing
  std::vector<uint8_t> bytes(data, data + size);
  std::unique_ptr<FILE, CloseFile> stream(fmemopen(bytes.data(), bytes.size(), "rb"));
  FUZZ_CHECK(stream != nullptr);
  try {
    Y4mReader reader(stream.get(), "fuzz.y4m");
    const Y4mFormat& format = reader.format();
    FUZZ_CHECK(format.width >= 1 && format.width <= kMaxDimension);
    FUZZ_CHECK(format.height >= 1 && format.height <= kMaxDimension);
    FUZZ_CHECK(int64_t{format.width} * format.height <= kMaxArea);
    const std::string written = FormatY4mHeader(format);
    FUZZ_CHECK(ParseY4mHeader(written.substr(0, written.size() - 1), "written") == format);

    const std::optional<uint64_t> ahead = reader.CountRemainingFrames();
    FUZZ_CHECK(ahead.has_value());
    std::vector<uint8_t> planes;
    uint64_t read = 0;
    for (; read < 3 && reader.ReadFrame(planes); ++read) {
      FUZZ_CHECK(planes.size() == Y4mFrameBytes(format));
      ExpectPictureOf(format, Y4mPlanesToPicture(format, planes.data()));
    }
    FUZZ_CHECK(read == (*ahead < 3 ? *ahead : 3));
  } catch (const MediaError& error) {
    FUZZ_CHECK(error.what()[0] != '\0');
  }
  return 0;
}
