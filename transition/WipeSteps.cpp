#include "WipeSteps.h"

#include "compositing/MaskBlend.h"
#include "masks/MaskFitting.h"
#include "masks/Pelt.h"

bool MixUnderMask(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, TImage& mask,
                  bool cropToOutput, const FrameBuffer& reportedB, bool invert) {
  if (!FitMask(mask, frame.width, frame.height, cropToOutput ? frame.width : reportedB.aspectWidth,
               cropToOutput ? frame.height : reportedB.aspectHeight)) {
    return false;
  }
  if (!MaskCoversFrame(mask, frame)) return false;
  MixMaskRows(outputFrame, workFrame, frame, mask, invert);
  return true;
}

void MixMaskRows(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, const TImage& mask,
                 bool invert) {
  const int32_t maskRowBytes = static_cast<int32_t>(mask.GetWidthBytes());
  MixMaskRowsAt(outputFrame, workFrame, frame, mask.GetBits(), static_cast<int32_t>(mask.GetSize()) - maskRowBytes,
                -maskRowBytes, invert);
}

void MixMaskRowsAt(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, const uint8_t* maskBits,
                   int32_t firstRowOffset, int32_t rowStep, bool invert) {
  int32_t maskOffset = firstRowOffset;
  uint32_t alphaOffset = frame.mainBytes;
  for (uint32_t rowOffset = 0; rowOffset < frame.mainBytes; rowOffset += frame.stride) {
    BlendMaskRowYUV422Alpha(outputFrame, workFrame, rowOffset, frame.rowBytes, maskBits, maskOffset, alphaOffset,
                            invert);
    alphaOffset += frame.width;
    maskOffset += rowStep;
  }
}
