// Opens the settings dialog of a transition object and hands it to a user:
// on Windows the modal dialog of ShowSettingsDialog, played from a helper
// thread; on the headless backend a dialog with the template's controls,
// played on the calling thread.
#pragma once

#include <stdint.h>

#include <functional>

#include "DialogUser.h"

class KavroVideoTransitionMask;
class MaskImageFactory;

struct SessionOutcome {
  bool opened = false;
  bool ended = false;  // the dialog ended through the user's actions
};

// `maskSource` is the owner's own mask source.
SessionOutcome OpenSettings(KavroVideoTransitionMask& owner, MaskImageFactory* maskSource,
                            const std::function<void(DialogUser&)>& user);
