// What the host-side layer throws: a plug-in, its masks or a mask name that
// cannot be found, in words a host can show as they are.
#pragma once

#include <stdexcept>

namespace kavro {

class HostingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kavro
