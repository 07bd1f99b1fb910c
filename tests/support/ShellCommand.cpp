#include "ShellCommand.h"

#include <cstdlib>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

std::string Quote(const std::string& text) {
#if defined(_WIN32)
  return "\"" + text + "\"";
#else
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

#if !defined(_WIN32)
int RunLogged(const std::string& command, const std::string& log) {
  const int status = std::system(("timeout 300 " + command + " > " + Quote(log) + " 2>&1 < /dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif
