// Layout of the resource table inside a resource module on POSIX targets.
// The resource-module builder emits it; the resource services read it.
// Every offset counts from the start of the directory, so the table needs no
// relocation in a shared object.
#pragma once

#include <stdint.h>

#define KIV_RESOURCE_DIRECTORY_SYMBOL "kiv_resource_directory"
#define KIV_RESOURCE_DIRECTORY_MAGIC 0x4B495652u  // "KIVR"

struct KivResourceEntry {
  uint32_t typeNameOffset;  // NUL-terminated ASCII type name, e.g. "PNG"
  uint32_t id;              // integer resource id, below 65536
  uint32_t dataOffset;
  uint32_t size;
};

struct KivResourceDirectory {
  uint32_t magic;
  uint32_t totalSize;  // bytes from the directory's start to the end of the last resource
  uint32_t count;
  KivResourceEntry entries[1];  // count entries
};
