#include "SettingsSession.h"
#include "tools/dialog_driver/DialogDriver.h"
#include "transition/KavroVideoTransitionMask.h"

SessionOutcome OpenSettings(KavroVideoTransitionMask& owner, MaskImageFactory*,
                            const std::function<void(DialogUser&)>& user) {
  const DialogDriveOutcome driven = DriveModalDialog([&] { owner.ShowSettingsDialog(); },
                                                     [&](HWND dialog) {
                                                       DialogUser person(dialog);
                                                       user(person);
                                                     });
  SessionOutcome outcome;
  outcome.opened = driven.appeared;
  outcome.ended = driven.closedByUser;
  return outcome;
}
