#include "Console.h"

#include <new>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kavro {

void HoldClosedStandardStreams() {
#if !defined(_WIN32)
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Open takes the lowest free number: this one, as the lower ones are held.
    const int held = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held != fd && held >= 0) close(held);
  }
#endif
}

std::string FailureText(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) return kOutOfMemory;
  return error.what();
}

}  // namespace kavro
