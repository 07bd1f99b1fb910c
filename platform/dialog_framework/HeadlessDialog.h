// Headless backend only: dialogs made from a list of controls instead of a
// template, for driving dialog code without a display.
#pragma once

#include "UserServices.h"

#if !defined(_WIN32)
#include <stddef.h>

struct KivHeadlessControl {
  int id;
  const wchar_t* className;  // L"BUTTON", L"COMBOBOX" or L"STATIC"
  uint32_t style;            // for buttons: BS_PUSHBUTTON, BS_DEFPUSHBUTTON or BS_AUTOCHECKBOX
  const wchar_t* text;
};

// Makes a dialog with a system menu and the given controls, then sends it
// WM_INITDIALOG with `parameter`, as a system dialog manager would. The
// caller ends its life with DestroyWindow.
HWND KivCreateHeadlessDialog(const wchar_t* title, const KivHeadlessControl* controls, size_t count, DLGPROC procedure,
                             LPARAM parameter);

// Whether EndDialog was called on the dialog, and with what result.
bool KivHeadlessDialogEnded(HWND dialog, INT_PTR* result);
#endif
