// Loads a plug-in the way a host does and hands out its factory.
#pragma once

#include <string>

#include "transition/host_api/IKavroVideoTransition.h"

class PluginLibrary {
 public:
  // Loads <test directory>/<fileName>.
  explicit PluginLibrary(const std::wstring& fileName);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr && create_ != nullptr; }
  const std::string& error() const { return error_; }

  // Creates one transition object; null when the factory fails.
  IKavroVideoTransition* Create() const;
  KavroCreateVideoTransitionProc factory() const { return create_; }

 private:
  void* handle_ = nullptr;
  KavroCreateVideoTransitionProc create_ = nullptr;
  std::string error_;
};
