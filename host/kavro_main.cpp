// kavro: renders a mask wipe between two clips through the plug-in, loaded
// by path as a video editor loads it. See `kavro --help`.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "InfoCommand.h"
#include "Picture.h"
#include "RenderCommand.h"
#include "SettingsCommand.h"

int main(int argc, char** argv) {
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
    std::fprintf(stderr, "kavro: %s\n", error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kavro: %s\n", error.what());
    return 1;
  }
  return 1;
}
