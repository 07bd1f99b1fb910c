// The mask source of one transition object: the resource module that holds
// the mask frames, and the frame table of the selected mask.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "Pelt.h"
#include "platform/dialog_framework/CString.h"
#include "platform/module_services/ModuleServices.h"

// The resource module sits beside the plug-in and is named "Old" + the
// plug-in's own file name. Empty when the path has no directory part.
std::wstring ResourceModulePath(const wchar_t* pluginPath);

class MaskImageFactory {
 public:
  // Opens the resource module beside the plug-in.
  MaskImageFactory();
  // Opens the resource module that belongs beside a plug-in at pluginPath.
  explicit MaskImageFactory(const wchar_t* pluginPath);
  virtual ~MaskImageFactory();
  MaskImageFactory(const MaskImageFactory&) = delete;
  MaskImageFactory& operator=(const MaskImageFactory&) = delete;

  uint32_t GetMaskCount() const { return static_cast<uint32_t>(maskBaseIds.size()); }

  // Replaces the frame table with that of the given mask. Throws
  // std::out_of_range for an index at or past GetMaskCount().
  void BuildFrameTable(uint32_t maskIndex);

  // Replaces the contents of names with the catalogue's display names.
  void GetMaskNames(std::vector<CString>& names) const;

  // The decoded 8-bit frame for a transition position: clamped to the last
  // frame, mirrored when reversed; a frame with a palette comes as the
  // levels its palette shows. Null when the frame is missing, does not
  // decode, or is not 8 bits per pixel. The caller deletes the image.
  TImage* GetFrame(uint32_t position) const;

  const std::vector<uint16_t>& GetFrameTable() const { return frameIds; }
  HMODULE GetResourceModule() const { return resourceModule; }

  // When set, frames are taken from the table's last entry backwards.
  bool reverse;

 private:
  void ComputeMaskBaseIds();

  HMODULE resourceModule;
  std::vector<uint16_t> maskBaseIds;  // first resource id of each mask
  std::vector<uint16_t> frameIds;     // entry k: resource shown for frame k
};
