// TavrelReg: a dialog program that asks once and then has the system's
// registration tool unregister the plug-in file in the current directory.
#pragma once

#include <windows.h>

#include "app.h"
#include "dialog.h"

class CTavrelRegApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};

// The main window, on template 102.
class CTavrelRegDlg : public CDialog {
 public:
  explicit CTavrelRegDlg(HWND parent = nullptr);
  const DialogMessageMapEntry* GetMessageMap() const override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

  LRESULT OnSysCommand(WPARAM id, LPARAM param);
  LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
  LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);

 private:
  HICON m_hIcon;
};

// The About box, on template 100.
class CTavrelRegAboutDlg : public CDialog {
 public:
  explicit CTavrelRegAboutDlg(HWND parent = nullptr);
};
