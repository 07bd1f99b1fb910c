// A window of the framework: a C++ object bound to a window handle, which
// routes the messages of that window through its class's message map.
#pragma once

#include "CString.h"
#include "MessageMap.h"
#include "UserServices.h"

class CDataExchange;

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd() = default;
  // Lets go of the handle; the window itself belongs to whoever made it
  // (for the controls of a dialog, the dialog manager).
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  BOOL Attach(HWND window);
  HWND Detach();

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void SetWindowText(const wchar_t* text);
  void GetWindowText(CString& text) const;

  // Runs DoDataExchange: FALSE fills the controls, TRUE reads them back.
  // FALSE when a control could not be bound.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Looks the message up in the message map chain and runs its handler.
  // False when no class in the chain handles it.
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  HWND m_hWnd = nullptr;

 protected:
  virtual void DoDataExchange(CDataExchange* exchange);

  DECLARE_MESSAGE_MAP()
};
