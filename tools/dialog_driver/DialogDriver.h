// Plays the user of a modal dialog from a second thread (Windows only): the
// calling thread opens the dialog and runs its modal loop, the helper thread
// waits for the dialog to show and acts on it with window messages.
#pragma once

#include <windows.h>

#include <functional>

struct DialogDriveOutcome {
  bool appeared = false;      // a dialog of the opening thread became visible
  bool closedByUser = false;  // it was gone when `user` returned, or soon after
};

// Runs `open` on the calling thread (it must show a modal dialog and return
// when the dialog ends). Meanwhile `user` gets the dialog's handle on a
// helper thread. A dialog `user` leaves open is cancelled; one that never
// shows makes `open` simply return. Never waits more than a few seconds for
// either.
DialogDriveOutcome DriveModalDialog(const std::function<void()>& open, const std::function<void(HWND)>& user);

// Waits until `window` is gone; false after `milliseconds`.
bool WaitUntilClosed(HWND window, DWORD milliseconds);
