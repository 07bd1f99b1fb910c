// Decoder registration and the choice of decoder for a block of bytes.
#include <mutex>

#include "Lock.h"
#include "PeltInternal.h"

namespace {

// Registered decoder classes, in registration order. The entries point at the
// library's own descriptors, never at the prototype or into the registering
// module, so a module may unload and leave its registrations behind.
constexpr unsigned kMaxCodecs = 16;
pelt::Lock registryLock;
const pelt::Codec* codecs[kMaxCodecs] = {};
unsigned codecCount = 0;

}  // namespace

unsigned TImageGenerator::AddExtendSupportFormat(const TImage& prototype) {
  const pelt::Codec* codec = prototype.impl_ ? prototype.impl_->codec : nullptr;
  if (!codec) return 0;
  std::lock_guard<pelt::Lock> guard(registryLock);
  bool known = false;
  for (unsigned i = 0; i < codecCount; ++i) known = known || codecs[i] == codec;
  if (!known && codecCount < kMaxCodecs) codecs[codecCount++] = codec;
  return codecCount;
}

TImage* TImageGenerator::CreateInstance(const unsigned char* data, unsigned long size, int) {
  if (!data || size == 0) return nullptr;
  const pelt::Codec* candidates[kMaxCodecs];
  unsigned count = 0;
  {
    std::lock_guard<pelt::Lock> guard(registryLock);
    for (; count < codecCount; ++count) candidates[count] = codecs[count];
  }
  for (unsigned i = 0; i < count; ++i) {
    if (!candidates[i]->recognises(data, size)) continue;
    TImage* image = candidates[i]->create();
    if (image && !image->impl_) {  // no memory for its state
      delete image;
      image = nullptr;
    }
    return image;
  }
  return nullptr;
}
