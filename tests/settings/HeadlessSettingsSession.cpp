#include "SettingsSession.h"
#include "platform/dialog_framework/HeadlessDialog.h"
#include "settings/SampleDialog.h"
#include "settings/SettingsDialogIds.h"
#include "transition/KavroVideoTransitionMask.h"

namespace {

// The controls of the settings template, in template order.
const KivHeadlessControl kTemplateControls[] = {
    {IDOK, L"BUTTON", BS_DEFPUSHBUTTON, L"OK"},
    {IDCANCEL, L"BUTTON", BS_PUSHBUTTON, L"\u30AD\u30E3\u30F3\u30BB\u30EB"},
    {IDC_MASK_LIST, L"COMBOBOX", 0, L""},
    {-1, L"STATIC", 0, L""},
    {IDC_INVERT_CHECK, L"BUTTON", BS_AUTOCHECKBOX, L""},
    {IDC_FRAME_COUNT_LABEL, L"STATIC", 0, L""},
    {IDC_REVERSE_CHECK, L"BUTTON", BS_AUTOCHECKBOX, L""},
};

}  // namespace

SessionOutcome OpenSettings(KavroVideoTransitionMask& owner, MaskImageFactory* maskSource,
                            const std::function<void(DialogUser&)>& user) {
  const TransitionSetup* setup = owner.GetSetup();
  CSampleDialog dialog(&owner, setup ? setup->format.totalFrames : 0, maskSource);
  SessionOutcome outcome;
  HWND window = KivCreateHeadlessDialog(L"", kTemplateControls, sizeof kTemplateControls / sizeof kTemplateControls[0],
                                        AfxDlgProc, reinterpret_cast<LPARAM>(&dialog));
  outcome.opened = window != nullptr;
  if (!window) return outcome;
  DialogUser person(window);
  user(person);
  outcome.ended = KivHeadlessDialogEnded(window, nullptr);
  DestroyWindow(window);
  return outcome;
}
