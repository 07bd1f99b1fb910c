// Windows only: the modal loop of CDialog itself, opened directly rather
// than through ShowSettingsDialog, with the host's module state current.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "DialogUser.h"
#include "RecordingTransition.h"
#include "masks/MaskImageFactory.h"
#include "settings/SampleDialog.h"
#include "settings/SettingsDialogIds.h"
#include "tests/support/TestPaths.h"
#include "tools/dialog_driver/DialogDriver.h"

namespace {

class ModalSettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring plugin = TestDirectory() + SharedLibraryFileName(L"kiv_complete");
    source = new MaskImageFactory(plugin.c_str());
    owner = new RecordingTransition(source);
    // A host whose resources are this program's, which hold the template too.
    AfxInitModuleState(hostState, GetModuleHandleW(nullptr));
  }
  void TearDown() override { owner->Release(); }

  AFX_MODULE_STATE hostState{false};
  MaskImageFactory* source = nullptr;
  RecordingTransition* owner = nullptr;
};

TEST_F(ModalSettingsDialog, MessagesRunWithThePluginsStateThoughTheHostsIsCurrent) {
  AFX_MAINTAIN_STATE2 host(&hostState);
  CSampleDialog dialog(owner, 12, source);
  INT_PTR result = 0;
  DialogDriveOutcome outcome =
      DriveModalDialog([&] { result = dialog.DoModal(); }, [](HWND window) { DialogUser(window).Click(IDOK); });
  EXPECT_TRUE(outcome.closedByUser);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(owner->calls.size(), 1u);
  EXPECT_EQ(owner->calls[0].currentState, AfxGetStaticModuleState());
  EXPECT_EQ(AfxGetModuleState(), &hostState);
  EXPECT_EQ(dialog.m_hWnd, nullptr) << "the object lets go of the ended window";
}

TEST_F(ModalSettingsDialog, CancelAnswersIdCancelAndAnExceptionComesOutOfDoModalAfterTheWindowIsGone) {
  AFX_MAINTAIN_STATE2 host(&hostState);
  CSampleDialog dialog(owner, 12, source);
  INT_PTR result = 0;
  DriveModalDialog([&] { result = dialog.DoModal(); }, [](HWND window) { DialogUser(window).Click(IDCANCEL); });
  EXPECT_EQ(result, IDCANCEL);

  owner->throwOnSet = true;
  HWND seen = nullptr;
  bool thrown = false;
  DriveModalDialog(
      [&] {
        try {
          dialog.DoModal();
        } catch (const std::runtime_error& error) {
          thrown = std::string(error.what()) == "host failure";
        }
      },
      [&](HWND window) {
        seen = window;
        DialogUser(window).Click(IDOK);
      });
  EXPECT_TRUE(thrown);
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_EQ(AfxGetModuleState(), &hostState);
}

TEST_F(ModalSettingsDialog, WithoutAnyModuleStateTheProgramsOwnTemplateIsUsed) {
  // This program links the template in, so the lookup in "the program"
  // succeeds; a missing template answers -1 without a window.
  CSampleDialog dialog(owner, 0, source);
  INT_PTR result = 0;
  DriveModalDialog([&] { result = dialog.DoModal(); }, [](HWND window) { DialogUser(window).Click(IDCANCEL); });
  EXPECT_EQ(result, IDCANCEL);
  struct Missing : CDialog {
    Missing() : CDialog(4321) {}
  } missing;
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
