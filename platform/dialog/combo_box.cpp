#include "combo_box.h"

int CComboBox::AddString(const char* text) const {
  return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
int CComboBox::GetCount() const { return static_cast<int>(Send(CB_GETCOUNT, 0, 0)); }
int CComboBox::GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL, 0, 0)); }
int CComboBox::SetCurSel(int index) const {
  return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}
int CComboBox::GetLBTextLen(int index) const {
  return static_cast<int>(Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
}
int CComboBox::GetLBText(int index, char* out) const {
  return static_cast<int>(Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out)));
}
void CComboBox::ResetContent() const { Send(CB_RESETCONTENT, 0, 0); }
