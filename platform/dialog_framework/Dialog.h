// A modal dialog built from a dialog template. The template is looked up in
// the resources of the module state current when DoModal runs, so a library
// shows its own dialogs only with its own state current.
#pragma once

#include <exception>

#include "Wnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog until it ends; answers the result given to EndDialog,
  // or -1 when the template is missing or the dialog could not be made. An
  // exception raised while handling one of its messages ends the dialog and
  // comes out of DoModal once the window is gone.
  INT_PTR DoModal();

  // Binds the controls (UpdateData(FALSE)); TRUE lets the system set the focus.
  virtual BOOL OnInitDialog();

  void EndDialog(int result);

 protected:
  // Reads the controls back and ends the dialog with IDOK.
  virtual void OnOK();
  // Ends the dialog with IDCANCEL.
  virtual void OnCancel();

  LRESULT HandleInitDialog(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()

 private:
  friend INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  CWnd* parent_;
  std::exception_ptr pendingException_;
};

// The dialog procedure of every framework dialog: makes the library's module
// state current around each message and routes it through the dialog's
// message map. WM_INITDIALOG carries the CDialog.
INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
