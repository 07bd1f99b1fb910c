// Standard streams the caller closed (`2>&-`, `>&-`, a daemon's start).
#pragma once

namespace kavro {

// Opens /dev/null on each of standard input, output and error that is closed,
// in the direction that fails: otherwise the next file kavro opens takes its
// number, and messages or frames meant for the stream land in that file.
// Writing to a closed output still fails ("Bad file descriptor"), reading a
// closed input too. Nothing to do on Windows, whose handles are not reused so.
void HoldClosedStandardStreams();

}  // namespace kavro
