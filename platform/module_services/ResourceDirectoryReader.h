// Reading a resource directory (ResourceDirectory.h) that may be damaged: a
// directory is only ever read through these, inside the bytes its symbol holds.
#pragma once

#include <stdint.h>
#include <wchar.h>

#include "ResourceDirectory.h"

// The directory at `bytes` when the `symbolSize` bytes there hold a
// consistent one: aligned, its magic, and an entry table and stated total size that
// fit in them. Null otherwise. The stated total size then bounds every offset
// read by the functions below.
const KivResourceDirectory* CheckedResourceDirectory(const void* bytes, uint64_t symbolSize);

// The entry with this integer id whose type name equals `type`; null when
// there is none.
const KivResourceEntry* FindResourceEntry(const KivResourceDirectory& directory, uint32_t id, const wchar_t* type);

// The bytes of one of the directory's entries; null when `entry` is not one
// of them or its bytes do not lie inside the directory.
const void* ResourceEntryBytes(const KivResourceDirectory& directory, const KivResourceEntry* entry);
