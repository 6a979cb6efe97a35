// Dialog data exchange: moves values between a dialog's members and its
// controls, in the direction UpdateData asks for.
#pragma once

#include <windows.h>

class CDialog;
class CComboBox;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
  BOOL m_bFailed = FALSE;   // set when a control named in the exchange is missing
};

// Attaches `combo` to control `id` of the dialog (both directions).
void DDX_Control(CDataExchange* pDX, int id, CComboBox& combo);

// The radio group that starts at control `firstId` (a radio button with
// WS_GROUP) and runs up to the next control with WS_GROUP; non-radio controls
// inside it are skipped. `value` is the index of the checked button, -1 for
// none. Towards the controls, a value that is no button's index clears them all.
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
