// The settings dialog of a transition object, run modally on the caller's
// thread.
#include "SampleDialog.h"
#include "platform/dialog_framework/ModuleState.h"
#include "transition/KavroVideoTransitionMask.h"

uint8_t KavroVideoTransitionMask::ShowSettingsDialog() {
  try {
    // The plug-in's state for the whole call, so the template is found in
    // the plug-in and not in the host; the host's comes back on every way out.
    AFX_MAINTAIN_STATE2 scope(AfxGetStaticModuleState());
    CSampleDialog dialog(this, setup ? setup->format.totalFrames : 0, maskSource);
    // OK has already applied the choice; Cancel and failures change nothing.
    dialog.DoModal();
  } catch (...) {
    // Only results cross to the host. By now the dialog is gone and the
    // host's module state is back.
  }
  return 1;
}
