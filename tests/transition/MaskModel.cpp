#include "MaskModel.h"

#include <cstring>
#include <memory>
#include <string>

#include "compositing/MaskBlend.h"
#include "platform/cpu/CpuLevel.h"
#include "platform/module_services/ModuleServices.h"

MaskPicture PictureOf(const TImage& image) {
  MaskPicture picture;
  if (!image.IsValid() || image.GetBitCount() != 8 || image.GetHeight() <= 0) return picture;
  picture.width = static_cast<uint32_t>(image.GetWidth());
  picture.height = static_cast<uint32_t>(image.GetHeight());
  picture.rowBytes = (picture.width + 1) & ~1u;
  picture.bytes.assign(size_t{picture.rowBytes} * picture.height, 0);
  for (uint32_t y = 0; y < picture.height; ++y) {
    const unsigned char* row = image.GetBits() + size_t{picture.height - 1 - y} * image.GetWidthBytes();
    std::memcpy(&picture.bytes[size_t{y} * picture.rowBytes], row, picture.width);
  }
  return picture;
}

MaskPicture PatternPicture(uint32_t width, uint32_t height) {
  MaskPicture picture;
  picture.width = width;
  picture.height = height;
  picture.rowBytes = (width + 1) & ~1u;
  picture.bytes.assign(size_t{picture.rowBytes} * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) picture.bytes[size_t{y} * picture.rowBytes + x] = (16 * y + x) & 0xFF;
  }
  return picture;
}

MaskPicture CutAndScale(const MaskPicture& picture, uint32_t left, uint32_t columns, uint32_t width, uint32_t height) {
  TImage image;
  if (left + columns > picture.width ||
      !image.Create(static_cast<long>(columns), static_cast<long>(picture.height), pf8bit, 0)) {
    return MaskPicture();
  }
  for (uint32_t y = 0; y < picture.height; ++y) {
    unsigned char* row = image.GetBits() + size_t{picture.height - 1 - y} * image.GetWidthBytes();
    std::memcpy(row, &picture.bytes[size_t{y} * picture.rowBytes + left], columns);
  }
  if (TEffectImage::Resize(image, static_cast<long>(width), static_cast<long>(height)) < 0) return MaskPicture();
  return PictureOf(image);
}

MaskPicture DecodeResourceFrame(const std::wstring& modulePath, uint16_t id) {
  HMODULE module = LoadLibraryExW(modulePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return MaskPicture();
  MaskPicture picture;
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data) {
    const unsigned long size = SizeofResource(module, resource);
    TImagePNG image;
    if (image.Open(data, kPeltSourceMemory, size, 0) >= 0 && image.Read(0) >= 0) picture = PictureOf(image);
    image.Close();
  }
  FreeLibrary(module);
  return picture;
}

void MixLikeReference(std::vector<uint8_t>& frame, const std::vector<uint8_t>& sourceB, uint32_t width, uint32_t height,
                      uint32_t stride, const MaskPicture& mask, bool invert) {
  SetCpuLevelLimit(CPU_LEVEL_BASELINE);
  const uint32_t rowStride = stride != 0 ? stride : 2 * width;
  const uint32_t mainBytes = rowStride * height;
  for (uint32_t y = 0; y < height; ++y) {
    BlendMaskRowYUV422Alpha(frame.data(), sourceB.data(), y * rowStride, 2 * width, mask.bytes.data(),
                            static_cast<int32_t>(y * mask.rowBytes), mainBytes + y * width, invert);
  }
}

long FirstDifference(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected) {
  if (actual.size() != expected.size()) return 0;
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) return static_cast<long>(i);
  }
  return -1;
}
