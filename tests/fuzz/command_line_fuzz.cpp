// kavro's command-line parser over arbitrary arguments: the input split at
// its zero bytes.
//
// Whatever the arguments, the only failure is a UsageError with a message;
// an accepted command line holds only what kavro can run: a known mask, at
// most two sources and not both standard input, counts and sizes within their
// limits, an even width, and for a render something to write, -o naming a
// .y4m file or standard output.
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "hosting/MaskChoice.h"
#include "hosts/kavro/CommandLine.h"

using namespace kavro;

namespace {

void ExpectRunnable(const CommandLine& line) {
  const RenderOptions& options = line.options;
  if (line.command != Command::kRender) {
    FUZZ_CHECK(options.sources.empty() && options.output.empty());
    return;
  }
  FUZZ_CHECK(!options.output.empty() || !options.pngFolder.empty() || !options.sheet.empty());
  const std::string& out = options.output;
  FUZZ_CHECK(out.empty() || out == "-" || (out.size() >= 5 && out.compare(out.size() - 4, 4, ".y4m") == 0));
  FUZZ_CHECK(options.sources.size() <= 2);
  FUZZ_CHECK(!(options.sources.size() == 2 && options.sources[0] == "-" && options.sources[1] == "-"));
  FUZZ_CHECK(options.mask < MaskCount());
  FUZZ_CHECK(options.frames <= 1000000 && options.sheetEvery <= 1000000);
  FUZZ_CHECK(options.threads >= 0 && options.threads <= 64);
  FUZZ_CHECK(options.width % 2 == 0 && options.width >= 0 && options.width <= 16384);
  FUZZ_CHECK(options.height >= 0 && options.height <= 16384 && (options.width == 0) == (options.height == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size && arguments.size() <= 64; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back() += static_cast<char>(data[i]);
    }
  }
  if (size == 0) arguments.clear();
  try {
    ExpectRunnable(ParseCommandLine(arguments));
  } catch (const UsageError& error) {
    FUZZ_CHECK(error.what()[0] != '\0');
  }
  return 0;
}
