// Dialog data exchange: binds the controls of a dialog to its members.
#pragma once

#include <stdexcept>

#include "UserServices.h"

class CWnd;

// Raised inside DoDataExchange when a control cannot be bound; UpdateData
// turns it into FALSE.
class CDataExchangeFailure : public std::runtime_error {
 public:
  explicit CDataExchangeFailure(int controlId);
  int controlId;
};

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  // The handle of the dialog's control with this id; raises
  // CDataExchangeFailure when the dialog has none.
  HWND PrepareCtrl(int controlId) const;

  BOOL m_bSaveAndValidate;  // TRUE: controls to members
  CWnd* m_pDlgWnd;
};

// Binds `control` to the dialog's control `controlId`. Exchanges no value.
void DDX_Control(CDataExchange* exchange, int controlId, CWnd& control);
