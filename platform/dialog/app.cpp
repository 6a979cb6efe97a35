#include "app.h"

#include "dialog.h"

namespace {
CWinApp* g_application = nullptr;
}

CWinApp::CWinApp() {
  if (g_application == nullptr) g_application = this;
}

CWinApp::~CWinApp() {
  if (g_application == this) g_application = nullptr;
}

CWinApp* AfxGetApp() { return g_application; }

int CWinApp::Run(HINSTANCE instance, LPSTR commandLine, int showCmd) {
  CWinApp* app = g_application;
  if (app == nullptr) return -1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = commandLine;
  app->m_nCmdShow = showCmd;
  if (app->InitInstance()) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      HWND main = app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
      if (main != nullptr && IsDialogMessageA(main, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return app->ExitInstance();
}
