#include "data_exchange.h"

#include "combo_box.h"
#include "dialog.h"

namespace {

bool IsRadioButton(HWND control) { return (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0; }

}  // namespace

void DDX_Control(CDataExchange* pDX, int id, CComboBox& combo) {
  HWND control = pDX->m_pDlgWnd->GetDlgItem(id);
  if (control == nullptr) {
    pDX->m_bFailed = TRUE;
    return;
  }
  if (combo.GetSafeHwnd() != control) combo.Attach(control);
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
  HWND control = pDX->m_pDlgWnd->GetDlgItem(firstId);
  if (control == nullptr) {
    pDX->m_bFailed = TRUE;
    return;
  }
  if (pDX->m_bSaveAndValidate) value = -1;
  int index = 0;
  do {
    if (IsRadioButton(control)) {
      if (pDX->m_bSaveAndValidate) {
        if (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
      } else {
        SendMessageA(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++index;
    }
    control = GetWindow(control, GW_HWNDNEXT);
  } while (control != nullptr && (GetWindowLongA(control, GWL_STYLE) & WS_GROUP) == 0);
}
