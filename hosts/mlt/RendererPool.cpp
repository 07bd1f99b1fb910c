#include "RendererPool.h"

#include "PluginFolder.h"

namespace kavro_mlt {

std::unique_ptr<WipeRenderer> RendererPool::Take() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      std::unique_ptr<WipeRenderer> renderer = std::move(spare_.back());
      spare_.pop_back();
      return renderer;
    }
  }
  const KavroCreateVideoTransitionProc factory = PluginFactory();
  if (!factory) return nullptr;
  auto renderer = std::make_unique<WipeRenderer>(factory);
  if (!renderer->valid()) {
    TellOnce(Problem::kNoTransition, "the plug-in could not create a transition: such frames show source A");
    return nullptr;
  }
  return renderer;
}

void RendererPool::Give(std::unique_ptr<WipeRenderer> renderer) {
  if (!renderer) return;
  std::lock_guard<std::mutex> lock(mutex_);
  spare_.push_back(std::move(renderer));
}

}  // namespace kavro_mlt
