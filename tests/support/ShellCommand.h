// Running programs through the shell, as a person types them.
#pragma once

#include <string>

// `text` as one shell word.
std::string Quote(const std::string& text);

#if !defined(_WIN32)
// Runs a shell command with its output in a log; the exit code, 124 after the timeout.
int RunLogged(const std::string& command, const std::string& log);
#endif
