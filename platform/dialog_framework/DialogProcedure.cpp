#include "Dialog.h"
#include "ModuleState.h"

INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Whatever the host had current, this library's messages run with its own
  // state, and the host's comes back when the message is done.
  AFX_MAINTAIN_STATE2 scope(AfxGetStaticModuleState());

  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog) return FALSE;
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    dialog->Attach(window);
  } else {
    // Messages before WM_INITDIALOG (the font, creation) find no dialog yet
    // and get the dialog manager's defaults.
    dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
  }

  LRESULT result = 0;
  bool handled = false;
  try {
    handled = dialog->OnWndMsg(message, wParam, lParam, &result);
  } catch (...) {
    // Nothing may unwind through the system's frames: keep the first
    // exception for DoModal and end the dialog.
    if (!dialog->pendingException_) dialog->pendingException_ = std::current_exception();
    ::EndDialog(window, -1);
    handled = true;
    result = FALSE;
  }

  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->Detach();
  }
  if (message == WM_INITDIALOG) return handled ? result : TRUE;
  return handled ? TRUE : FALSE;
}
