// kavro: renders a mask wipe between two clips through the plug-in, loaded
// by path as a video editor loads it. See `kavro --help`.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "InfoCommand.h"
#include "RenderCommand.h"
#include "SettingsCommand.h"
#include "media/Picture.h"

namespace {

// An error is one line, whatever the argument or file name it quotes holds.
int Fail(const char* message, int exitCode) {
  std::string line;
  for (const char* c = message; *c; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte < 0x20 || byte == 0x7F) {
      static const char kHex[] = "0123456789abcdef";
      line += "\\x";
      line += kHex[byte >> 4];
      line += kHex[byte & 15];
    } else {
      line += *c;
    }
  }
  std::fprintf(stderr, "kavro: %s\n", line.c_str());
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  kavro::HoldClosedStandardStreams();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    const kavro::CommandLine line = kavro::ParseCommandLine(arguments);
    switch (line.command) {
      case kavro::Command::kHelp:
        std::fputs(kavro::HelpText().c_str(), stdout);
        return 0;
      case kavro::Command::kVersion:
        std::printf("kavro %s\n", KAVRO_VERSION);
        return 0;
      case kavro::Command::kInfo:
        return kavro::RunInfo(line.options.plugin);
      case kavro::Command::kSettings:
        return kavro::RunSettings(line.options.plugin);
      case kavro::Command::kRender:
        return kavro::RunRender(line.options);
    }
  } catch (const kavro::UsageError& error) {
    return Fail(error.what(), 2);
  } catch (const std::exception& error) {
    return Fail(kavro::FailureText(error).c_str(), 1);
  }
  return 1;
}
