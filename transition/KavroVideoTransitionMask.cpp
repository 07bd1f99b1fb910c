#include "KavroVideoTransitionMask.h"

#include "compositing/MaskBlend.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"

KavroVideoTransitionMask::KavroVideoTransitionMask(MaskImageFactory* source)
    : parameterDescriptor{nullptr, 0}, workBuffer(nullptr), workBufferSize(0), maskSource(source) {
  supportedFormats.add(COLOR_FORMAT_YUV422_ALPHA);
  supportedFormatsReady = 1;
  parameters.maskIndex = 0;
  parameters.invert = 0;
  parameters.reverse = 0;
  parameterDescriptor.data = &parameters;
  parameterDescriptor.size = sizeof(MaskParameters);
}

KavroVideoTransitionMask::~KavroVideoTransitionMask() {
  delete[] workBuffer;
  workBuffer = nullptr;
  workBufferSize = 0;
  delete maskSource;
}

void KavroVideoTransitionMask::SetParameters(const ParameterDescriptor* descriptor) {
  // A host that passes no block has nothing to apply. A size of 0 means the
  // block is trusted to hold the parameters; a stated size too small for the
  // six bytes read below changes nothing rather than reading past the block.
  constexpr uint64_t kBytesRead = 6;
  if (!descriptor || !descriptor->data) return;
  if (descriptor->size != 0 && descriptor->size < kBytesRead) return;
  const auto* block = static_cast<const uint8_t*>(descriptor->data);
  // Read byte by byte: the host's block need not be aligned.
  parameters.maskIndex =
      uint32_t{block[0]} | uint32_t{block[1]} << 8 | uint32_t{block[2]} << 16 | uint32_t{block[3]} << 24;
  parameters.invert = block[4];
  parameters.reverse = block[5];
  if (maskSource && parameters.maskIndex < maskSource->GetMaskCount()) {
    try {
      maskSource->BuildFrameTable(parameters.maskIndex);
    } catch (...) {
      // Out of memory while probing: the table is left short and frames it
      // lacks simply are not mixed. Nothing may escape to the host.
    }
    maskSource->reverse = parameters.reverse != 0;
  }
}

ParameterDescriptor* KavroVideoTransitionMask::GetParameters() { return &parameterDescriptor; }

void KavroVideoTransitionMask::ReleaseWorkBuffer() {
  delete[] workBuffer;
  workBuffer = nullptr;
  workBufferSize = 0;
}

void KavroVideoTransitionMask::BlendRowYUV422Alpha(uint8_t* outputFrame, const uint8_t* workFrame, uint32_t rowOffset,
                                                   uint32_t byteCount, const TImage* maskImage, int32_t maskOffset,
                                                   uint32_t alphaOffset) const {
  if (!maskImage) return;
  BlendMaskRowYUV422Alpha(outputFrame, workFrame, rowOffset, byteCount, maskImage->GetBits(), maskOffset, alphaOffset,
                          parameters.invert != 0);
}
