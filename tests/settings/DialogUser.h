// What a user sees of an open dialog and does with it, through window
// messages only; the same on the headless backend and on real windows.
#pragma once

#include <string>
#include <vector>

#include "platform/dialog_framework/UserServices.h"

class DialogUser {
 public:
  explicit DialogUser(HWND dialog) : dialog_(dialog) {}

  HWND dialog() const { return dialog_; }
  std::wstring Title() const;
  std::wstring Text(int controlId) const;
  std::vector<std::wstring> ListItems(int comboBoxId) const;
  int Selection(int comboBoxId) const;  // CB_ERR when none
  bool Ticked(int checkBoxId) const;
  bool CloseGreyed() const;  // the Close item of the system menu

  void Select(int comboBoxId, int index);
  void Click(int buttonId);  // a push button or a check box, as the mouse would
  void PressEscape();        // through the dialog manager

 private:
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }

  HWND dialog_;
};
