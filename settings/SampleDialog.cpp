#include "SampleDialog.h"

#include <string.h>

#include <vector>

#include "SettingsDialogIds.h"
#include "masks/MaskImageFactory.h"
#include "platform/dialog_framework/DataExchange.h"
#include "transition/KavroVideoTransitionMask.h"

namespace {

// The whole 64-bit count, in decimal; the colon is full-width.
const wchar_t kFrameCountFormat[] = L"トランジションの総フレーム数 \uFF1A %llu";

}  // namespace

IMPLEMENT_DYNAMIC(CSampleDialog, CDialog)

// Nothing of its own: Cancel, Escape and the rest get CDialog's handling.
BEGIN_MESSAGE_MAP(CSampleDialog, CDialog)
END_MESSAGE_MAP()

CSampleDialog::CSampleDialog(KavroVideoTransitionMask* dialogOwner, uint64_t frames, MaskImageFactory* source)
    : CDialog(IDD_MASK_PARAMETERS), owner(dialogOwner), totalFrames(frames), maskSource(source) {}

CSampleDialog::~CSampleDialog() = default;

void CSampleDialog::DoDataExchange(CDataExchange* exchange) {
  DDX_Control(exchange, IDC_FRAME_COUNT_LABEL, frameCountLabel);
  DDX_Control(exchange, IDC_MASK_LIST, maskList);
  DDX_Control(exchange, IDC_INVERT_CHECK, invertCheck);
  DDX_Control(exchange, IDC_REVERSE_CHECK, reverseCheck);
}

BOOL CSampleDialog::OnInitDialog() {
  CDialog::OnInitDialog();

  EnableMenuItem(::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

  CString label;
  label.Format(kFrameCountFormat, static_cast<unsigned long long>(totalFrames));
  frameCountLabel.SetWindowText(label);

  MaskParameters current = {0, 0, 0, {0, 0}};
  const ParameterDescriptor* descriptor = static_cast<IKavroVideoTransition*>(owner)->GetParameters();
  if (descriptor && descriptor->data) memcpy(&current, descriptor->data, sizeof current);

  std::vector<CString> names;
  if (maskSource) maskSource->GetMaskNames(names);
  for (const CString& name : names) maskList.AddString(name);  // unsorted: item i is mask i

  // An index past the list leaves no selection.
  maskList.SetCurSel(static_cast<int>(current.maskIndex));
  if (current.invert) invertCheck.SetCheck(BST_CHECKED);
  if (current.reverse) reverseCheck.SetCheck(BST_CHECKED);
  return TRUE;
}

void CSampleDialog::OnOK() {
  MaskParameters chosen = {0, 0, 0, {0, 0}};
  chosen.maskIndex = static_cast<uint32_t>(maskList.GetCurSel());  // no selection: 0xFFFFFFFF
  chosen.invert = invertCheck.GetCheck() == BST_CHECKED ? 1 : 0;
  chosen.reverse = reverseCheck.GetCheck() == BST_CHECKED ? 1 : 0;
  ParameterDescriptor descriptor = {&chosen, sizeof chosen};
  // Through the interface, so the owner's own override runs; it copies the
  // block before returning.
  static_cast<IKavroVideoTransition*>(owner)->SetParameters(&descriptor);
  CDialog::OnOK();
}
