#include "Console.h"

#include <csignal>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
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

namespace {

volatile std::sig_atomic_t caught = 0;

#if defined(_WIN32)
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) || caught) return FALSE;
  caught = SIGINT;
  return TRUE;
}
#else
void OnSignal(int signal) { caught = signal; }
#endif

}  // namespace

void CatchInterrupts() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The default again once caught; reads and writes carry on.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

int Interrupted() { return caught; }

std::string FailureText(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) return kOutOfMemory;
  return error.what();
}

}  // namespace kavro
