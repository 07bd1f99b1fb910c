// The resource directory of a POSIX resource module, read from arbitrary
// bytes as if a module's directory symbol held them. Input: where the
// directory starts (0 to 3 bytes in, as a symbol may sit anywhere), how many
// the id to look up, then the symbol's bytes.
//
// A directory that is accepted must lie inside the symbol, and every lookup,
// the one asked for and one for each entry's own id, must hand out bytes that
// lie inside the directory's stated size.
#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <memory>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "platform/module_services/ResourceDirectoryReader.h"

namespace {

const wchar_t kPng[] = L"PNG";

void ExpectInside(const KivResourceDirectory& directory, const KivResourceEntry* entry) {
  if (!entry) return;
  const auto* begin = reinterpret_cast<const uint8_t*>(&directory);
  const auto* bytes = static_cast<const uint8_t*>(ResourceEntryBytes(directory, entry));
  if (!bytes) return;
  FUZZ_CHECK(bytes >= begin && bytes + entry->size <= begin + directory.totalSize);
  unsigned sum = 0;  // every byte handed out is read once
  for (uint32_t i = 0; i < entry->size; ++i) sum += bytes[i];
  (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const size_t shift = input.Byte() % 4;
  const uint32_t wantedId = input.Half();
  const size_t directoryBytes = input.restSize();

  // The symbol's bytes and nothing behind them, `shift` bytes past an
  // aligned start.
  std::unique_ptr<uint8_t[]> storage(new uint8_t[shift + directoryBytes]);
  uint8_t* symbol = storage.get() + shift;
  if (directoryBytes != 0) std::memcpy(symbol, input.rest(), directoryBytes);
  const uint64_t symbolSize = directoryBytes;

  const KivResourceDirectory* directory = CheckedResourceDirectory(symbol, symbolSize);
  if (!directory) return 0;
  FUZZ_CHECK(shift == 0);
  FUZZ_CHECK(directory->totalSize <= symbolSize);
  ExpectInside(*directory, FindResourceEntry(*directory, wantedId, kPng));
  for (uint32_t i = 0; i < directory->count && i < 256; ++i) {
    ExpectInside(*directory, FindResourceEntry(*directory, directory->entries[i].id, kPng));
    ExpectInside(*directory, &directory->entries[i]);
  }
  return 0;
}
