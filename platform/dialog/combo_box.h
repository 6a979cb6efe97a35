// A combo-box control of a dialog, by window handle. The dialog owns the
// control; this object only talks to it.
#pragma once

#include <windows.h>

class CComboBox {
 public:
  void Attach(HWND control) { m_hWnd = control; }
  void Detach() { m_hWnd = nullptr; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  int AddString(const char* text) const;
  int GetCount() const;
  // CB_ERR when nothing is selected.
  int GetCurSel() const;
  // -1 clears the selection; an index that is no item clears it too and
  // answers CB_ERR.
  int SetCurSel(int index) const;
  // Length of item `index`, or CB_ERR.
  int GetLBTextLen(int index) const;
  // Copies item `index` into `out` (at least GetLBTextLen + 1 bytes).
  int GetLBText(int index, char* out) const;
  void ResetContent() const;

 private:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hWnd ? SendMessageA(m_hWnd, message, wParam, lParam) : CB_ERR;
  }

  HWND m_hWnd = nullptr;
};
