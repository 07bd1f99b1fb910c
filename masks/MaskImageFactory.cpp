#include "MaskImageFactory.h"

#include <stdexcept>
#include <string>

#include "BaseModule.h"
#include "MaskCatalogue.h"
#include "Pelt.h"
#include "ResourceModulePath.h"

namespace {

const WCHAR kPngResourceType[] = L"PNG";

std::wstring OwnPluginPath() {
  WCHAR path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(PluginInstance(), path, MAX_PATH);
  // Some systems leave a cut path unterminated; a cut path names no file
  // anyway, so no resource module loads from it.
  if (length >= MAX_PATH) return std::wstring();
  return std::wstring(path, length);
}

}  // namespace

MaskImageFactory::MaskImageFactory() : MaskImageFactory(OwnPluginPath().c_str()) {}

MaskImageFactory::MaskImageFactory(const wchar_t* pluginPath) : reverse(false), resourceModule(nullptr) {
  InitializePelt(0);

  std::wstring modulePath = ResourceModulePath(pluginPath);
  resourceModule =
      modulePath.empty() ? nullptr : LoadLibraryExW(modulePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);

  try {
    ComputeMaskBaseIds();
    if (!maskBaseIds.empty()) {
      BuildFrameTable(0);
      reverse = false;
    }
  } catch (...) {  // out of memory: give back what this constructor took
    if (resourceModule) FreeLibrary(resourceModule);
    UninitializePelt();
    throw;
  }
}

MaskImageFactory::~MaskImageFactory() {
  frameIds.clear();
  maskBaseIds.clear();
  if (resourceModule) FreeLibrary(resourceModule);
  UninitializePelt();
}

void MaskImageFactory::ComputeMaskBaseIds() {
  maskBaseIds.clear();
  uint16_t id = kFirstMaskResourceId;
  for (uint32_t mask = 0; mask < kMaskCount; ++mask) {
    maskBaseIds.push_back(id);
    // One unused id separates two masks.
    id = static_cast<uint16_t>(id + maskFrameCounts[mask] + 1);
  }
}

void MaskImageFactory::BuildFrameTable(uint32_t maskIndex) {
  frameIds.clear();
  if (maskIndex >= maskBaseIds.size()) throw std::out_of_range("invalid vector<T> subscript");
  const uint16_t base = maskBaseIds[maskIndex];
  const uint32_t frameCount = maskFrameCounts[maskIndex];
  frameIds.reserve(frameCount);
  uint16_t last = base;
  // A missing frame repeats the nearest earlier one that exists; a missing
  // first frame leaves the base id, which then yields no image.
  for (uint32_t k = 0; k < frameCount; ++k) {
    auto id = static_cast<uint16_t>(base + k);
    if (FindResourceW(resourceModule, MAKEINTRESOURCEW(id), kPngResourceType)) last = id;
    frameIds.push_back(last);
  }
}

void MaskImageFactory::GetMaskNames(std::vector<CString>& names) const {
  names.clear();
  for (const CString& name : maskNames) names.push_back(name);
}
