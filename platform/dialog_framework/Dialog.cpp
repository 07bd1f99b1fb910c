#include "Dialog.h"

#include "ModuleState.h"

namespace {

const LPCWSTR kDialogResourceType = MAKEINTRESOURCEW(5);  // RT_DIALOG, whatever the character set

}  // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  // No state current: the program's own resources, as the system does for
  // a null module.
  const AFX_MODULE_STATE* state = AfxGetModuleState();
  HINSTANCE resources = state ? state->resourceHandle : nullptr;
  HRSRC found = FindResourceW(resources, MAKEINTRESOURCEW(templateId_), kDialogResourceType);
  HGLOBAL loaded = found ? LoadResource(resources, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return -1;

  pendingException_ = nullptr;
  const INT_PTR result =
      DialogBoxIndirectParamW(resources, static_cast<LPCDLGTEMPLATEW>(bytes), parent_ ? parent_->m_hWnd : nullptr,
                              AfxDlgProc, reinterpret_cast<LPARAM>(this));
  Detach();
  if (pendingException_) {
    std::exception_ptr raised = pendingException_;
    pendingException_ = nullptr;
    std::rethrow_exception(raised);
  }
  return result;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }
