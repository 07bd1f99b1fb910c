// The transition objects of one MLT transition. MLT renders several frames
// of a transition at once on its worker threads; each render takes an object
// of its own from here and gives it back, so no object is ever shared.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "WipeRenderer.h"

namespace kavro_mlt {

class RendererPool {
 public:
  // A spare object, or a new one; null when the plug-in gives none.
  std::unique_ptr<WipeRenderer> Take();
  void Give(std::unique_ptr<WipeRenderer> renderer);

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<WipeRenderer>> spare_;
};

}  // namespace kavro_mlt
