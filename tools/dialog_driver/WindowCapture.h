// A picture of a window as it is on screen, frame and controls included
// (Windows only).
#pragma once

#include <stdint.h>
#include <windows.h>

#include <vector>

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // red, green, blue; top row first

  // The pixel at (x, y) as 0xRRGGBB.
  uint32_t At(int x, int y) const;
};

// Draws the window's caption as active first: a window captured from another
// thread would otherwise show the inactive colours. Waits (briefly) until the
// window has finished painting. Empty on failure. Takes the window's own
// device context, which works where PrintWindow draws only the background.
RgbPicture CaptureWindow(HWND window);
