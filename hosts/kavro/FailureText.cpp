#include "FailureText.h"

#include <new>

namespace kavro {

std::string FailureText(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) return kOutOfMemory;
  return error.what();
}

}  // namespace kavro
