// Opens a plug-in's settings dialog as a host would, takes a picture of it
// and cancels it. Windows only; make demo runs it under Wine.
//
// Usage: kiv_settings_snapshot PLUGIN_PATH OUTPUT.png
#include <windows.h>

#include <cstdio>
#include <string>

#include "DialogDriver.h"
#include "RgbPng.h"
#include "WindowCapture.h"
#include "hosting/LoadedPlugin.h"
#include "transition/host_api/IKavroVideoTransition.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kiv_settings_snapshot PLUGIN_PATH OUTPUT.png\n");
    return 2;
  }
  std::wstring pluginPath = argv[1];
  LoadedPlugin plugin(std::string(pluginPath.begin(), pluginPath.end()));
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kiv_settings_snapshot: %s\n", plugin.error().c_str());
    return 1;
  }
  IKavroVideoTransition* transition = nullptr;
  if (!plugin.factory()(&transition) || !transition) {
    std::fprintf(stderr, "kiv_settings_snapshot: KavroCreateVideoTransition failed\n");
    return 1;
  }
  // A transition of 300 frames, so the label shows a count.
  TransitionSetup setup = {};
  setup.format.width = 1920;
  setup.format.height = 1080;
  setup.format.totalFrames = 300;
  setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  transition->SetSetup(&setup);

  RgbPicture picture;
  const DialogDriveOutcome outcome = DriveModalDialog([&] { transition->ShowSettingsDialog(); },
                                                      [&](HWND dialog) { picture = CaptureWindow(dialog); });
  transition->Release();
  if (!outcome.appeared) {
    std::fprintf(stderr, "kiv_settings_snapshot: the settings dialog did not open\n");
    return 1;
  }
  std::string error;
  if (!WriteRgbPng(argv[2], picture, error)) {
    std::fprintf(stderr, "kiv_settings_snapshot: %s\n", error.c_str());
    return 1;
  }
  std::printf("settings dialog (%dx%d) written\n", picture.width, picture.height);
  return 0;
}
