// Frames an earlier render left in a --png folder: frame_<digits>.png files
// that this render will not write over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kavro {

// frame_<digits>.png: a name of the frames --png writes.
bool IsFrameFileName(const std::string& name);

// Removes every frame_<digits>.png in `folder` whose name `written` does not
// claim. Throws MediaError naming a file that could not be removed.
void RemoveStaleFrames(const std::string& folder, const std::function<bool(const std::string& name)>& written);

}  // namespace kavro
