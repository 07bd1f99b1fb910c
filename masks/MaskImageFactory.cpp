#include "MaskImageFactory.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "MaskCatalogue.h"
#include "MaskNames.h"
#include "Pelt.h"
#include "settings/BaseModule.h"

namespace {

const WCHAR kPngResourceType[] = L"PNG";

#if defined(_WIN32)
// Windows maps a module whole but takes each resource's size from the
// module's own table: a damaged module can claim more bytes than it holds,
// and the decoder would read past its end. (The POSIX module services check
// every resource against the module's file themselves.)
bool ResourceInsideModule(HMODULE module, const void* data, uint64_t size) {
  // The loader checked the headers it mapped; the image's size is theirs.
  // Handles of modules loaded as data files carry flags in their low bits.
  const auto base = reinterpret_cast<uintptr_t>(module) & ~uintptr_t{3};
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + static_cast<uintptr_t>(dos->e_lfanew));
  const uint64_t imageSize = nt->OptionalHeader.SizeOfImage;
  const auto at = reinterpret_cast<uintptr_t>(data);
  return at >= base && at - base <= imageSize && size <= imageSize - (at - base);
}
#endif

std::wstring OwnPluginPath() {
  WCHAR path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(PluginInstance(), path, MAX_PATH);
  // Some systems leave a cut path unterminated; a cut path names no file
  // anyway, so no resource module loads from it.
  if (length >= MAX_PATH) return std::wstring();
  return std::wstring(path, length);
}

// Rec. 601 luma, rounded: (299 R + 587 G + 114 B + 500) / 1000. A gray
// entry (R = G = B) gives exactly its own level.
unsigned char Luma(const TPaletteEntry& entry) {
  return static_cast<unsigned char>((299u * entry.red + 587u * entry.green + 114u * entry.blue + 500u) / 1000u);
}

// A frame with a colour table holds indices: each becomes the level its
// entry shows (an index past the table, black), and the table goes.
void ReplaceIndicesByLevels(TImage& image) {
  TPaletteEntry entries[256];
  const int count = image.GetPalette(entries, 256);
  if (count <= 0) return;
  unsigned char levels[256] = {};
  for (int i = 0; i < count && i < 256; ++i) levels[i] = Luma(entries[i]);
  const long width = image.GetWidth();
  const long height = image.GetHeight() < 0 ? -image.GetHeight() : image.GetHeight();
  unsigned char* row = image.GetBits();
  for (long y = 0; y < height; ++y, row += image.GetWidthBytes()) {
    for (long x = 0; x < width; ++x) row[x] = levels[row[x]];
  }
  image.SetPalette(nullptr, 0);
}

}  // namespace

std::wstring ResourceModulePath(const wchar_t* pluginPath) {
  std::wstring path(pluginPath ? pluginPath : L"");
  size_t separator = path.rfind(KIV_PATH_SEPARATOR);
  if (separator == std::wstring::npos) return std::wstring();
  return path.substr(0, separator + 1) + L"Old" + path.substr(separator + 1);
}

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
  for (uint32_t mask = 0; mask < kMaskCount; ++mask) maskBaseIds.push_back(MaskFirstResourceId(mask));
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

TImage* MaskImageFactory::GetFrame(uint32_t position) const {
  try {
    uint16_t id = 0;
    const size_t count = frameIds.size();
    if (count != 0) {
      size_t index = position < count ? position : count - 1;
      if (reverse) index = count - 1 - index;
      id = frameIds[index];
    }
    // Id 0 names no resource; the lookup then simply fails.
    HRSRC resource = FindResourceW(resourceModule, MAKEINTRESOURCEW(id), kPngResourceType);
    HGLOBAL loaded = resource ? LoadResource(resourceModule, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    const DWORD size = SizeofResource(resourceModule, resource);
#if defined(_WIN32)
    if (!ResourceInsideModule(resourceModule, data, size)) return nullptr;
#endif

    // The resource bytes are decoded in place; they belong to the module.
    std::unique_ptr<TImage> image(TImageGenerator::CreateInstance(static_cast<const unsigned char*>(data), size, -1));
    if (!image) return nullptr;
    if (image->Open(data, kPeltSourceMemory, size, 0) < 0) return nullptr;
    long result = image->Read(0);
    image->Close();
    if (result < 0 || image->GetBitCount() != 8) return nullptr;
    ReplaceIndicesByLevels(*image);
    return image.release();
  } catch (...) {  // nothing may reach the host
    return nullptr;
  }
}
