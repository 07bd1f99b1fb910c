#include "WineEmulation.h"

#include <cstdlib>
#include <cstring>

bool UnderEmulatedWine() {
#if defined(_WIN32)
  const char* value = std::getenv("KIV_WINE_EMULATED");
  return value && std::strcmp(value, "1") == 0;
#else
  return false;
#endif
}

const char* EmulatedWineFaultNote() {
  return "left out under qemu-user: the page fault that Wine's FindResourceW catches natively ends the program "
         "there as an illegal instruction; natively the lookup just fails";
}
