// The dialog framework's own rules, independent of any window: run-time
// classes, message-map chains, module-state scopes, text formatting and
// data exchange.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/dialog_framework/CString.h"
#include "platform/dialog_framework/DataExchange.h"
#include "platform/dialog_framework/Dialog.h"
#include "platform/dialog_framework/ModuleState.h"
#include "settings/SampleDialog.h"

namespace {

TEST(RuntimeClass, TheSettingsDialogNamesItselfAndItsBaseAndCannotBeCreatedDynamically) {
  const CRuntimeClass* info = RUNTIME_CLASS(CSampleDialog);
  EXPECT_STREQ(info->m_lpszClassName, "CSampleDialog");
  EXPECT_EQ(info->GetBaseClass(), RUNTIME_CLASS(CDialog));
  EXPECT_EQ(info->m_pfnCreateObject, nullptr);
  EXPECT_EQ(info->CreateObject(), nullptr);
  EXPECT_TRUE(info->IsDerivedFrom(RUNTIME_CLASS(CWnd)));
  EXPECT_TRUE(info->IsDerivedFrom(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(RUNTIME_CLASS(CDialog)->IsDerivedFrom(info));

  CSampleDialog dialog(nullptr, 0, nullptr);
  EXPECT_EQ(dialog.GetRuntimeClass(), info) << "the object answers its most derived class";
  EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CDialog)));
  const CObject& asObject = dialog;
  EXPECT_STREQ(asObject.GetRuntimeClass()->m_lpszClassName, "CSampleDialog");
}

// A dialog that adds one command of its own and overrides Cancel.
class TwoButtonDialog : public CDialog {
 public:
  TwoButtonDialog() : CDialog(1) {}
  int applied = 0;
  int cancelled = 0;

 protected:
  void OnApply() { ++applied; }
  void OnCancel() override { ++cancelled; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TwoButtonDialog, CDialog)
ON_COMMAND(3, OnApply)
END_MESSAGE_MAP()

TEST(MessageMap, ADerivedMapAddsItsEntriesAndInheritsTheRestThroughTheChain) {
  TwoButtonDialog dialog;
  LRESULT result = -1;
  EXPECT_TRUE(dialog.OnWndMsg(WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0, &result));
  EXPECT_EQ(dialog.applied, 1);
  // IDCANCEL comes from CDialog's table and reaches the override.
  EXPECT_TRUE(dialog.OnWndMsg(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0, &result));
  EXPECT_EQ(dialog.cancelled, 1);
  // Another notification of the same control, and unknown ids, are not handled.
  EXPECT_FALSE(dialog.OnWndMsg(WM_COMMAND, MAKEWPARAM(3, 5), 0, &result));
  EXPECT_FALSE(dialog.OnWndMsg(WM_COMMAND, MAKEWPARAM(4, BN_CLICKED), 0, &result));
  EXPECT_EQ(dialog.applied, 1);
}

TEST(MessageMap, TheSettingsDialogAddsNothingToCDialogsMap) {
  CSampleDialog dialog(nullptr, 0, nullptr);
  struct Peek : CSampleDialog {
    static const AFX_MSGMAP* Own() { return GetThisMessageMap(); }
  };
  const AFX_MSGMAP* map = Peek::Own();
  EXPECT_EQ(map->lpEntries[0].handler, nullptr) << "no entries of its own";
  EXPECT_EQ(dialog.GetMessageMap(), map);
  const AFX_MSGMAP* base = map->pfnGetBaseMap();
  EXPECT_NE(AfxFindMessageEntry(base, WM_COMMAND, BN_CLICKED, IDCANCEL), nullptr);
  EXPECT_EQ(AfxFindMessageEntry(map, WM_COMMAND, BN_CLICKED, IDCANCEL),
            AfxFindMessageEntry(base, WM_COMMAND, BN_CLICKED, IDCANCEL));
  EXPECT_NE(AfxFindMessageEntry(map, WM_INITDIALOG, 0, 0), nullptr);
  EXPECT_EQ(AfxFindMessageEntry(map, WM_COMMAND, BN_CLICKED, 2001), nullptr);
}

TEST(ModuleState, ScopesNestAndRestoreOnEveryWayOut) {
  AFX_MODULE_STATE outer(false);
  AFX_MODULE_STATE inner(true);
  AFX_MODULE_STATE* before = AfxGetModuleState();
  {
    AFX_MAINTAIN_STATE2 first(&outer);
    EXPECT_EQ(AfxGetModuleState(), &outer);
    try {
      AFX_MAINTAIN_STATE2 second(&inner);
      EXPECT_EQ(AfxGetModuleState(), &inner);
      throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(AfxGetModuleState(), &outer);
  }
  EXPECT_EQ(AfxGetModuleState(), before);
}

TEST(ModuleState, ThePluginsStateHoldsItsOwnModuleAndEndingAThreadClearsIt) {
  AFX_MODULE_STATE* plugin = AfxGetStaticModuleState();
  ASSERT_NE(plugin, nullptr);
  EXPECT_TRUE(plugin->dll);
  EXPECT_TRUE(plugin->inResourceChain);
  EXPECT_NE(plugin->resourceHandle, nullptr);
  EXPECT_EQ(plugin->resourceHandle, plugin->instanceHandle);
  {
    AFX_MAINTAIN_STATE2 scope(plugin);
    AfxReleaseThreadState(*plugin);
    EXPECT_EQ(AfxGetModuleState(), nullptr);
  }
}

TEST(CStringFormat, FormatsWideTextAndWholeSixtyFourBitNumbers) {
  CString text;
  text.Format(L"%ls \uFF1A %llu", L"frames", 18446744073709551615ull);
  EXPECT_EQ(std::wstring(text.GetString()), L"frames \uFF1A 18446744073709551615");
  std::wstring longText(1000, L'x');
  text.Format(L"<%ls>", longText.c_str());
  EXPECT_EQ(text.GetLength(), 1002) << "grows past its first buffer";
}

TEST(DataExchange, AMissingControlFailsTheExchangeInsteadOfBindingNothing) {
  // A dialog without a window has no controls at all.
  CSampleDialog dialog(nullptr, 0, nullptr);
  EXPECT_FALSE(dialog.UpdateData(FALSE));
  CDataExchange exchange(&dialog, FALSE);
  CStatic label;
  EXPECT_THROW(DDX_Control(&exchange, 2002, label), CDataExchangeFailure);
  EXPECT_EQ(label.m_hWnd, nullptr);
}

}  // namespace
