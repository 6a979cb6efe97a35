#include "tavrel_reg.h"

// The program's one application object.
CTavrelRegApp theApp;

BOOL CTavrelRegApp::InitInstance() {
  // Control containment and the 3D control look are what the dialog manager
  // gives every dialog here; nothing to switch on.
  CTavrelRegDlg dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();  // its result is not looked at
  m_pMainWnd = nullptr;
  // End the program once the dialog has closed.
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int show) {
  return CWinApp::Run(instance, commandLine, show);
}
