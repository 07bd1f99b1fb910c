#include "DialogUser.h"

namespace {

std::wstring WindowText(HWND window) {
  const auto length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

}  // namespace

std::wstring DialogUser::Title() const { return WindowText(dialog_); }

std::wstring DialogUser::Text(int controlId) const { return WindowText(Control(controlId)); }

std::vector<std::wstring> DialogUser::ListItems(int comboBoxId) const {
  HWND box = Control(comboBoxId);
  std::vector<std::wstring> items;
  const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<int>(SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
    if (length < 0) break;
    std::vector<wchar_t> item(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    items.emplace_back(item.data());
  }
  return items;
}

int DialogUser::Selection(int comboBoxId) const {
  return static_cast<int>(SendMessageW(Control(comboBoxId), CB_GETCURSEL, 0, 0));
}

bool DialogUser::Ticked(int checkBoxId) const {
  return SendMessageW(Control(checkBoxId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool DialogUser::CloseGreyed() const {
  const UINT state = GetMenuState(GetSystemMenu(dialog_, FALSE), SC_CLOSE, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_GRAYED) != 0;
}

void DialogUser::Select(int comboBoxId, int index) {
  SendMessageW(Control(comboBoxId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DialogUser::Click(int buttonId) { SendMessageW(Control(buttonId), BM_CLICK, 0, 0); }

void DialogUser::PressEscape() {
#if defined(_WIN32)
  // The modal loop's dialog manager turns the key into Cancel.
  PostMessageW(dialog_, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(dialog_, WM_KEYUP, VK_ESCAPE, 0);
#else
  // No dialog manager here: send what it sends for the key.
  SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(Control(IDCANCEL)));
#endif
}
