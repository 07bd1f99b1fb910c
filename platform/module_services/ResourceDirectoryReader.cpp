#include "ResourceDirectoryReader.h"

#include <stddef.h>

namespace {

bool TypeMatches(const KivResourceDirectory& directory, const KivResourceEntry& entry, const wchar_t* type) {
  if (entry.typeNameOffset >= directory.totalSize) return false;
  const char* name = reinterpret_cast<const char*>(&directory) + entry.typeNameOffset;
  const size_t room = directory.totalSize - entry.typeNameOffset;
  size_t i = 0;
  for (; i < room && name[i] && type[i]; ++i) {
    if (static_cast<wchar_t>(static_cast<unsigned char>(name[i])) != type[i]) return false;
  }
  return i < room && name[i] == 0 && type[i] == 0;
}

}  // namespace

const KivResourceDirectory* CheckedResourceDirectory(const void* bytes, uint64_t symbolSize) {
  const uint64_t headerSize = offsetof(KivResourceDirectory, entries);
  // A symbol may sit anywhere in a damaged module; the fields are read as
  // 32-bit words in place.
  if (!bytes || reinterpret_cast<uintptr_t>(bytes) % alignof(KivResourceDirectory) != 0 || symbolSize < headerSize) {
    return nullptr;
  }
  auto* directory = static_cast<const KivResourceDirectory*>(bytes);
  if (directory->magic != KIV_RESOURCE_DIRECTORY_MAGIC) return nullptr;
  const uint64_t tableEnd = headerSize + uint64_t{directory->count} * sizeof(KivResourceEntry);
  if (directory->totalSize > symbolSize || tableEnd > directory->totalSize) return nullptr;
  return directory;
}

const KivResourceEntry* FindResourceEntry(const KivResourceDirectory& directory, uint32_t id, const wchar_t* type) {
  if (!type) return nullptr;
  for (uint32_t i = 0; i < directory.count; ++i) {
    const KivResourceEntry& entry = directory.entries[i];
    if (entry.id == id && TypeMatches(directory, entry, type)) return &entry;
  }
  return nullptr;
}

const void* ResourceEntryBytes(const KivResourceDirectory& directory, const KivResourceEntry* entry) {
  const bool ours = entry >= directory.entries && entry < directory.entries + directory.count;
  if (!ours || uint64_t{entry->dataOffset} + entry->size > directory.totalSize) return nullptr;
  return reinterpret_cast<const char*>(&directory) + entry->dataOffset;
}
