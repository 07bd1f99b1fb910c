// How kavro words a failure caught as an exception: running out of memory
// reads "out of memory" wherever it happens, not as the library's name for it.
#pragma once

#include <exception>
#include <string>

namespace kavro {

constexpr char kOutOfMemory[] = "out of memory";

std::string FailureText(const std::exception& error);

}  // namespace kavro
