// CWinApp: the application object of a dialog program. A program defines one
// object of a class derived from it, overrides InitInstance (typically: run
// the main dialog with DoModal, then return FALSE) and starts it from its
// entry point:
//
//   int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
//     return CWinApp::Run(instance, commandLine, show);
//   }
#pragma once

#include <windows.h>

class CDialog;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // FALSE ends the program after ExitInstance; TRUE runs a message loop until
  // WM_QUIT.
  virtual BOOL InitInstance() { return FALSE; }
  // The program's exit code.
  virtual int ExitInstance() { return m_exitCode; }

  HICON LoadIcon(UINT id) const { return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(id)); }

  // Runs the program's one application object; -1 if there is none.
  static int Run(HINSTANCE instance, LPSTR commandLine, int showCmd);

  HINSTANCE m_hInstance = nullptr;
  LPSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;
  CDialog* m_pMainWnd = nullptr;

 protected:
  int m_exitCode = 0;
};

// The program's application object, or null.
CWinApp* AfxGetApp();
