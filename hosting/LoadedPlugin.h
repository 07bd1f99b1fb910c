// A plug-in library loaded from a path, as a host holds it.
#pragma once

#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

class LoadedPlugin {
 public:
  explicit LoadedPlugin(const std::string& path);
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // Empty when loaded; otherwise why not.
  const std::string& error() const { return error_; }
  KavroCreateVideoTransitionProc factory() const { return factory_; }

 private:
  void* library_ = nullptr;
  KavroCreateVideoTransitionProc factory_ = nullptr;
  std::string error_;
};
