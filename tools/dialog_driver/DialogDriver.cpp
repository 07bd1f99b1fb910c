#include "DialogDriver.h"

#include <atomic>

namespace {

const DWORD kAppearTimeout = 10000;
const DWORD kCloseTimeout = 5000;

struct DriverState {
  DWORD openingThread;
  const std::function<void(HWND)>* user;
  std::atomic<bool> openReturned{false};
  DialogDriveOutcome outcome;
};

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

DWORD WINAPI Drive(LPVOID argument) {
  auto& state = *static_cast<DriverState*>(argument);
  HWND dialog = nullptr;
  const DWORD start = GetTickCount();
  // The dialog shows once its initialisation is done.
  while (!dialog && !state.openReturned && GetTickCount() - start < kAppearTimeout) {
    EnumThreadWindows(state.openingThread, TakeVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) Sleep(1);
  }
  if (!dialog) return 0;
  state.outcome.appeared = true;
  (*state.user)(dialog);
  state.outcome.closedByUser = WaitUntilClosed(dialog, kCloseTimeout);
  // Never leave the opening thread in a modal loop nobody ends.
  for (int attempt = 0; attempt < 3 && IsWindow(dialog); ++attempt) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntilClosed(dialog, kCloseTimeout);
  }
  return 0;
}

}  // namespace

bool WaitUntilClosed(HWND window, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(1);
  }
  return true;
}

DialogDriveOutcome DriveModalDialog(const std::function<void()>& open, const std::function<void(HWND)>& user) {
  DriverState state;
  state.openingThread = GetCurrentThreadId();
  state.user = &user;
  HANDLE driver = CreateThread(nullptr, 0, Drive, &state, 0, nullptr);
  if (!driver) return state.outcome;
  try {
    open();
  } catch (...) {
    state.openReturned = true;
    WaitForSingleObject(driver, INFINITE);
    CloseHandle(driver);
    throw;
  }
  state.openReturned = true;
  WaitForSingleObject(driver, INFINITE);
  CloseHandle(driver);
  return state.outcome;
}
