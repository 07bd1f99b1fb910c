#include "WindowCapture.h"

uint32_t RgbPicture::At(int x, int y) const {
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return uint32_t{pixels[at]} << 16 | uint32_t{pixels[at + 1]} << 8 | pixels[at + 2];
}

namespace {

RgbPicture CaptureOnce(HWND window) {
  RgbPicture picture;
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return picture;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return picture;

  SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);

  HDC windowDc = GetWindowDC(window);
  if (!windowDc) return picture;
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = memoryDc ? CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (bitmap) {
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    if (BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY)) {
      GdiFlush();
      picture.width = width;
      picture.height = height;
      picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
      const auto* source = static_cast<const uint8_t*>(bits);  // blue, green, red, unused
      for (size_t i = 0, count = static_cast<size_t>(width) * static_cast<size_t>(height); i < count; ++i) {
        picture.pixels[i * 3] = source[i * 4 + 2];
        picture.pixels[i * 3 + 1] = source[i * 4 + 1];
        picture.pixels[i * 3 + 2] = source[i * 4];
      }
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
  }
  if (memoryDc) DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return picture;
}

}  // namespace

RgbPicture CaptureWindow(HWND window) {
  // The window's own thread paints it; a picture taken while it still does
  // may lack a control. Take pictures until two in a row agree.
  RgbPicture previous = CaptureOnce(window);
  for (int attempt = 0; attempt < 20; ++attempt) {
    Sleep(20);
    RgbPicture next = CaptureOnce(window);
    if (next.width == previous.width && next.height == previous.height && next.pixels == previous.pixels) return next;
    previous = next;
  }
  return previous;
}
