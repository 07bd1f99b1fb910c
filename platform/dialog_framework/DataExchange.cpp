#include "DataExchange.h"

#include <string>

#include "Wnd.h"

CDataExchangeFailure::CDataExchangeFailure(int id)
    : std::runtime_error("the dialog has no control " + std::to_string(id)), controlId(id) {}

HWND CDataExchange::PrepareCtrl(int controlId) const {
  HWND control = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, controlId) : nullptr;
  if (!control) throw CDataExchangeFailure(controlId);
  return control;
}

void DDX_Control(CDataExchange* exchange, int controlId, CWnd& control) {
  HWND window = exchange->PrepareCtrl(controlId);
  // A dialog run again has new controls; bind to them.
  if (control.m_hWnd != window) control.Attach(window);
}
