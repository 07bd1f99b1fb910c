// The settings dialog as a host program meets it: the plug-in loaded from its
// file, the dialog opened through the interface, by a program whose own
// resources hold a different dialog 2000. Also the template's exact bytes,
// and a picture of the dialog with its Japanese texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DialogTemplateReader.h"
#include "DialogUser.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"
#include "tools/dialog_driver/DialogDriver.h"
#include "tools/dialog_driver/RgbPng.h"
#include "tools/dialog_driver/WindowCapture.h"

namespace {

const std::wstring kTitle = L"\u30DE\u30B9\u30AF\u306E\u30D1\u30E9\u30E1\u30FC\u30BF";
const std::wstring kCancel = L"\u30AD\u30E3\u30F3\u30BB\u30EB";
const std::wstring kMaskType = L"\u30DE\u30B9\u30AF\u306E\u7A2E\u985E \uFF1A  ";
const std::wstring kInvert = L"\u30DE\u30B9\u30AF\u306E\u767D\u9ED2\u3092\u53CD\u8EE2\u3059\u308B";
const std::wstring kFrames =
    L"\u30C8\u30E9\u30F3\u30B8\u30B7\u30E7\u30F3\u306E\u7DCF\u30D5\u30EC\u30FC\u30E0\u6570 \uFF1A  ";
const std::wstring kReverse = L"\u30DE\u30B9\u30AF\u306E\u30D5\u30EC\u30FC\u30E0\u3092\u9006\u9806\u306B\u3059\u308B";

INT_PTR CALLBACK HostDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) return EndDialog(dialog, IDCANCEL);
  return FALSE;
}

class PluginHost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    transition = plugin.Create();
    ASSERT_NE(transition, nullptr);
    // The dialog reads only the frame count of a setup.
    TransitionSetup setup = {};
    setup.format.totalFrames = 300;
    ASSERT_NE(transition->SetSetup(&setup), nullptr);
  }
  void TearDown() override {
    if (transition) transition->Release();
  }

  PluginLibrary plugin{SharedLibraryFileName(L"kiv_complete")};
  IKavroVideoTransition* transition = nullptr;
};

TEST_F(PluginHost, TheHostsOwnDialog2000IsAnotherDialog) {
  std::wstring title;
  DriveModalDialog(
      [] { DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(2000), nullptr, HostDialogProcedure, 0); },
      [&](HWND dialog) {
        title = DialogUser(dialog).Title();
        DialogUser(dialog).Click(IDCANCEL);
      });
  EXPECT_EQ(title, L"Host dialog");
}

TEST_F(PluginHost, ShowSettingsDialogShowsThePluginsTemplateNotTheHosts) {
  DialogUser* seen = nullptr;
  std::wstring title, label, invert, reverse, cancel;
  std::vector<std::wstring> names;
  const DialogDriveOutcome outcome = DriveModalDialog([&] { EXPECT_EQ(transition->ShowSettingsDialog(), 1); },
                                                      [&](HWND dialog) {
                                                        DialogUser user(dialog);
                                                        seen = &user;
                                                        title = user.Title();
                                                        label = user.Text(2002);
                                                        invert = user.Text(2001);
                                                        reverse = user.Text(2003);
                                                        cancel = user.Text(IDCANCEL);
                                                        names = user.ListItems(2000);
                                                        user.Click(IDCANCEL);
                                                      });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_TRUE(outcome.closedByUser);
  EXPECT_EQ(title, kTitle);
  EXPECT_EQ(label, L"\u30C8\u30E9\u30F3\u30B8\u30B7\u30E7\u30F3\u306E\u7DCF\u30D5\u30EC\u30FC\u30E0\u6570 \uFF1A 300");
  EXPECT_EQ(invert, kInvert);
  EXPECT_EQ(reverse, kReverse);
  EXPECT_EQ(cancel, kCancel);
  EXPECT_EQ(names.size(), 3u);
}

TEST(PluginTemplate, Dialog2000IsJapaneseAndExactlyAsDesigned) {
  std::wstring path = TestDirectory() + SharedLibraryFileName(L"kiv_complete");
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC resource =
      FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(2000), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  ASSERT_NE(resource, nullptr) << "template 2000 in Japanese (1041)";
  DialogTemplate dialog;
  ASSERT_TRUE(
      ReadDialogTemplate(LockResource(LoadResource(module, resource)), SizeofResource(module, resource), dialog));
  FreeLibrary(module);

  EXPECT_EQ(dialog.style, 0x80C800C8u);
  EXPECT_EQ(dialog.exStyle, 0u);
  EXPECT_EQ(dialog.x, 0);
  EXPECT_EQ(dialog.y, 0);
  EXPECT_EQ(dialog.cx, 332);
  EXPECT_EQ(dialog.cy, 105);
  EXPECT_EQ(dialog.menu, L"");
  EXPECT_EQ(dialog.windowClass, L"");
  EXPECT_EQ(dialog.title, kTitle);
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.weight, 400);
  EXPECT_EQ(dialog.italic, 0);
  EXPECT_EQ(dialog.charset, 1);
  EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");

  struct Expected {
    int32_t id;
    uint16_t atom;
    std::wstring text;
    int16_t x, y, cx, cy;
    uint32_t style;
  };
  const Expected expected[] = {
      {1, 0x80, L"OK", 215, 84, 50, 14, 0x50010001},        {2, 0x80, kCancel, 274, 84, 50, 14, 0x50010000},
      {2000, 0x85, L"", 75, 33, 236, 162, 0x50210003},      {-1, 0x82, kMaskType, 22, 34, 51, 8, 0x50020000},
      {2001, 0x80, kInvert, 22, 56, 91, 10, 0x50010003},    {2002, 0x82, kFrames, 22, 12, 146, 8, 0x50020000},
      {2003, 0x80, kReverse, 130, 55, 105, 10, 0x50010003},
  };
  ASSERT_EQ(dialog.items.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    const TemplateItem& item = dialog.items[i];
    SCOPED_TRACE("item " + std::to_string(i));
    EXPECT_EQ(item.id, expected[i].id);
    EXPECT_EQ(item.classAtom, expected[i].atom);
    EXPECT_EQ(item.text, expected[i].text);
    EXPECT_EQ(item.x, expected[i].x);
    EXPECT_EQ(item.y, expected[i].y);
    EXPECT_EQ(item.cx, expected[i].cx);
    EXPECT_EQ(item.cy, expected[i].cy);
    EXPECT_EQ(item.style, expected[i].style);
    EXPECT_EQ(item.exStyle, 0u);
  }
}

// Width of a control's text in the control's own font, against the room the
// control has for it (a check box loses its box and a gap).
struct TextFit {
  int needed = 0;
  int room = 0;
  bool allGlyphs = false;
};

TextFit MeasureText(HWND control, bool checkBox) {
  TextFit fit;
  const int length = GetWindowTextLengthW(control);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
  GetWindowTextW(control, text.data(), length + 1);
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32W(dc, text.data(), length, &extent);
  std::vector<WORD> glyphs(static_cast<size_t>(length) + 1);
  GetGlyphIndicesW(dc, text.data(), length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  fit.allGlyphs = true;
  for (int i = 0; i < length; ++i) fit.allGlyphs = fit.allGlyphs && glyphs[static_cast<size_t>(i)] != 0xFFFF;
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  RECT client;
  GetClientRect(control, &client);
  fit.needed = extent.cx;
  fit.room = client.right - (checkBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
  return fit;
}

TEST_F(PluginHost, APictureOfTheDialogShowsEveryJapaneseTextWhole) {
  RgbPicture picture;
  std::vector<TextFit> fits;
  std::vector<RECT> bounds;
  const int texts[] = {2002, 2001, 2003, IDCANCEL};
  DriveModalDialog([&] { transition->ShowSettingsDialog(); },
                   [&](HWND dialog) {
                     picture = CaptureWindow(dialog);
                     RECT window;
                     GetWindowRect(dialog, &window);
                     for (int id : texts) {
                       fits.push_back(MeasureText(GetDlgItem(dialog, id), id == 2001 || id == 2003));
                       RECT control;
                       GetWindowRect(GetDlgItem(dialog, id), &control);
                       OffsetRect(&control, -window.left, -window.top);
                       bounds.push_back(control);
                     }
                     DialogUser(dialog).Click(IDCANCEL);
                   });
  ASSERT_GT(picture.width, 0);
  ASSERT_EQ(fits.size(), 4u);
  for (size_t i = 0; i < fits.size(); ++i) {
    EXPECT_TRUE(fits[i].allGlyphs) << "control " << texts[i] << " has characters the dialog font lacks";
    EXPECT_LE(fits[i].needed, fits[i].room) << "control " << texts[i] << "'s text is clipped";
    // Its text is in the picture: dark pixels inside its bounds.
    int dark = 0;
    for (int y = bounds[i].top; y < bounds[i].bottom && y < picture.height; ++y) {
      for (int x = bounds[i].left; x < bounds[i].right && x < picture.width; ++x)
        dark += (picture.At(x, y) & 0xFF) < 0x60;
    }
    EXPECT_GT(dark, 40) << "control " << texts[i] << " is not in the picture";
  }

  const char* folder = std::getenv("KIV_PREVIEW_DIR");
  if (folder && *folder) {
    std::string text(folder);
    std::wstring path(text.begin(), text.end());
    path += L"\\settings_dialog.png";
    std::string error;
    EXPECT_TRUE(WriteRgbPng(path, picture, error)) << error;
  }
}

}  // namespace
