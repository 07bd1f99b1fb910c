// Ids of the settings dialog's template and controls; the resource compiler
// reads this file too.
#pragma once

#define IDD_MASK_PARAMETERS 2000
#define IDC_MASK_LIST 2000
#define IDC_INVERT_CHECK 2001
#define IDC_FRAME_COUNT_LABEL 2002
#define IDC_REVERSE_CHECK 2003
