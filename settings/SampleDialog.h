// The settings dialog of a mask transition: which mask, whether its black
// and white are swapped, whether its frames run backwards. It shows the
// owner's current parameters and, on OK, hands the chosen ones to the
// owner's SetParameters.
#pragma once

#include <stdint.h>

#include "platform/dialog_framework/Controls.h"
#include "platform/dialog_framework/Dialog.h"

class KavroVideoTransitionMask;
class MaskImageFactory;

class CSampleDialog : public CDialog {
  DECLARE_DYNAMIC(CSampleDialog)

 public:
  // On template IDD_MASK_PARAMETERS, without a parent window. Owns nothing.
  CSampleDialog(KavroVideoTransitionMask* owner, uint64_t totalFrames, MaskImageFactory* maskSource);
  ~CSampleDialog() override;

  BOOL OnInitDialog() override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  void OnOK() override;

  DECLARE_MESSAGE_MAP()

 private:
  CStatic frameCountLabel;
  CComboBox maskList;
  CButton invertCheck;
  CButton reverseCheck;
  KavroVideoTransitionMask* owner;
  uint64_t totalFrames;
  MaskImageFactory* maskSource;
};
