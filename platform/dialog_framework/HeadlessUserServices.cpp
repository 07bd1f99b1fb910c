// The headless window services: every window is a record in memory. Controls
// answer the messages of their class as the system's controls do; a dialog
// passes its messages to its dialog procedure. One thread at a time.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "HeadlessDialog.h"
#include "UserServices.h"

struct KivMenuItem {
  UINT command;
  UINT state;
};

struct KivMenu {
  std::vector<KivMenuItem> items;
};

struct KivWindow {
  enum class Kind { Dialog, Button, ComboBox, Static };

  Kind kind = Kind::Static;
  int id = 0;
  uint32_t style = 0;
  std::wstring text;
  KivWindow* parent = nullptr;
  std::vector<std::unique_ptr<KivWindow>> children;

  // Dialogs.
  DLGPROC procedure = nullptr;
  LONG_PTR userData = 0;
  std::unique_ptr<KivMenu> systemMenu;
  bool ended = false;
  INT_PTR result = 0;

  // Controls.
  std::vector<std::wstring> items;  // combo box list, unsorted
  int selection = CB_ERR;
  int check = BST_UNCHECKED;
};

namespace {

std::set<const KivWindow*>& LiveWindows() {
  static std::set<const KivWindow*> windows;
  return windows;
}

bool Live(HWND window) { return window && LiveWindows().count(window) != 0; }

KivWindow::Kind KindOf(const wchar_t* className) {
  std::wstring name(className ? className : L"");
  std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; });
  if (name == L"BUTTON") return KivWindow::Kind::Button;
  if (name == L"COMBOBOX") return KivWindow::Kind::ComboBox;
  return KivWindow::Kind::Static;
}

LRESULT CopyText(const std::wstring& text, WPARAM size, LPARAM buffer) {
  auto* out = reinterpret_cast<wchar_t*>(buffer);
  if (!out || size == 0) return 0;
  const size_t length = std::min<size_t>(text.size(), size - 1);
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), out);
  out[length] = L'\0';
  return static_cast<LRESULT>(length);
}

LRESULT ComboBoxMessage(KivWindow& box, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto count = static_cast<int>(box.items.size());
  switch (message) {
    case CB_ADDSTRING:
      box.items.emplace_back(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
      return count;
    case CB_GETCOUNT:
      return count;
    case CB_RESETCONTENT:
      box.items.clear();
      box.selection = CB_ERR;
      return 0;
    case CB_SETCURSEL: {
      // An index outside the list clears the selection and fails.
      const auto index = static_cast<int>(wParam);
      box.selection = index >= 0 && index < count ? index : CB_ERR;
      return box.selection;
    }
    case CB_GETCURSEL:
      return box.selection;
    case CB_GETLBTEXTLEN:
    case CB_GETLBTEXT: {
      const auto index = static_cast<int>(wParam);
      if (index < 0 || index >= count) return CB_ERR;
      const std::wstring& item = box.items[static_cast<size_t>(index)];
      if (message == CB_GETLBTEXTLEN) return static_cast<LRESULT>(item.size());
      auto* out = reinterpret_cast<wchar_t*>(lParam);  // the caller makes room for the whole item
      if (!out) return CB_ERR;
      std::copy(item.begin(), item.end(), out);
      out[item.size()] = L'\0';
      return static_cast<LRESULT>(item.size());
    }
    default:
      return 0;
  }
}

LRESULT ButtonMessage(KivWindow& button, UINT message, WPARAM wParam) {
  const bool checkBox = (button.style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
  switch (message) {
    case BM_GETCHECK:
      return checkBox ? button.check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (checkBox) button.check = static_cast<int>(wParam) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
      return 0;
    case BM_CLICK:
      // As a mouse click: an automatic check box turns over, then the
      // dialog hears of the click.
      if (checkBox) button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      if (button.parent) {
        SendMessageW(button.parent, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED), reinterpret_cast<LPARAM>(&button));
      }
      return 0;
    default:
      return 0;
  }
}

KivMenuItem* FindItem(HMENU menu, UINT item, UINT flags) {
  if (!menu || (flags & 0x0400u) != 0) return nullptr;  // only by command, never by position
  for (KivMenuItem& entry : menu->items) {
    if (entry.command == item) return &entry;
  }
  return nullptr;
}

}  // namespace

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Live(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (message) {
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
      return TRUE;
    case WM_GETTEXT:
      return CopyText(window->text, wParam, lParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    default:
      break;
  }
  switch (window->kind) {
    case KivWindow::Kind::Dialog:
      return window->procedure ? window->procedure(window, message, wParam, lParam) : 0;
    case KivWindow::Kind::ComboBox:
      return ComboBoxMessage(*window, message, wParam, lParam);
    case KivWindow::Kind::Button:
      return ButtonMessage(*window, message, wParam);
    case KivWindow::Kind::Static:
      return 0;
  }
  return 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (Live(dialog)) {
    for (const auto& child : dialog->children) {
      if (child->id == id) return child.get();
    }
  }
  SetLastError(Live(dialog) ? ERROR_CONTROL_ID_NOT_FOUND : ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

int GetDlgCtrlID(HWND window) { return Live(window) ? window->id : 0; }

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  return Live(window) && SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (!Live(window) || size <= 0) return 0;
  return static_cast<int>(
      SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

BOOL IsWindow(HWND window) { return Live(window) ? TRUE : FALSE; }

BOOL DestroyWindow(HWND window) {
  if (!Live(window) || window->parent) {  // controls go with their dialog
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->procedure) {
    window->procedure(window, WM_DESTROY, 0, 0);
    window->procedure(window, WM_NCDESTROY, 0, 0);
  }
  for (const auto& child : window->children) LiveWindows().erase(child.get());
  LiveWindows().erase(window);
  delete window;
  return TRUE;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  if (!Live(window) || window->kind != KivWindow::Kind::Dialog || index != DWLP_USER) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const LONG_PTR previous = window->userData;
  window->userData = value;
  return previous;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  if (!Live(window) || window->kind != KivWindow::Kind::Dialog || index != DWLP_USER) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return window->userData;
}

HMENU GetSystemMenu(HWND window, BOOL revert) {
  if (!Live(window) || window->kind != KivWindow::Kind::Dialog) return nullptr;
  if (revert || !window->systemMenu) {
    window->systemMenu.reset(new KivMenu);
    window->systemMenu->items.push_back({SC_CLOSE, MF_ENABLED});
  }
  return revert ? nullptr : window->systemMenu.get();
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  KivMenuItem* entry = FindItem(menu, item, flags);
  if (!entry) return -1;
  const UINT previous = entry->state;
  entry->state = flags & (MF_GRAYED | MF_DISABLED);
  return static_cast<BOOL>(previous);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  const KivMenuItem* entry = FindItem(menu, item, flags);
  return entry ? entry->state : static_cast<UINT>(-1);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  if (!Live(dialog) || dialog->kind != KivWindow::Kind::Dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  dialog->ended = true;
  dialog->result = result;
  return TRUE;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM) {
  SetLastError(ERROR_NO_DISPLAY);
  return -1;
}

HWND KivCreateHeadlessDialog(const wchar_t* title, const KivHeadlessControl* controls, size_t count, DLGPROC procedure,
                             LPARAM parameter) {
  auto* dialog = new KivWindow;
  dialog->kind = KivWindow::Kind::Dialog;
  dialog->text = title ? title : L"";
  for (size_t i = 0; i < count; ++i) {
    std::unique_ptr<KivWindow> control(new KivWindow);
    control->kind = KindOf(controls[i].className);
    control->id = controls[i].id;
    control->style = controls[i].style;
    control->text = controls[i].text ? controls[i].text : L"";
    control->parent = dialog;
    LiveWindows().insert(control.get());
    dialog->children.push_back(std::move(control));
  }
  LiveWindows().insert(dialog);
  dialog->procedure = procedure;
  if (procedure) procedure(dialog, WM_INITDIALOG, 0, parameter);
  return dialog;
}

bool KivHeadlessDialogEnded(HWND dialog, INT_PTR* result) {
  if (!Live(dialog) || !dialog->ended) return false;
  if (result) *result = dialog->result;
  return true;
}
