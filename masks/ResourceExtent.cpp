#include "ResourceExtent.h"

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
