// kavro's standard streams: kept sound when the caller closed them, and the
// words its failures are written in.
#pragma once

#include <exception>
#include <string>

namespace kavro {

// Opens /dev/null on each of standard input, output and error that is closed
// (`2>&-`, `>&-`, a daemon's start), in the direction that fails: otherwise
// the next file kavro opens takes its number, and messages or frames meant
// for the stream land in that file. Writing to a closed output still fails
// ("Bad file descriptor"), reading a closed input too. Nothing to do on
// Windows, whose handles are not reused so.
void HoldClosedStandardStreams();

// From here on SIGINT and SIGTERM (Ctrl-C or Ctrl-Break at a Windows
// console) ask the render to stop after the frame it is writing, so its
// outputs are closed whole; a second one ends kavro at once.
void CatchInterrupts();
// The signal caught since, or 0.
int Interrupted();

// Running out of memory reads "out of memory" wherever it happens, not as
// the library's name for it.
constexpr char kOutOfMemory[] = "out of memory";

// A failure caught as an exception, in kavro's words.
std::string FailureText(const std::exception& error);

}  // namespace kavro
