#include "window/frame.h"

#include <algorithm>

#include "model/controls.h"
#include "window/monitor_feed.h"

namespace sim {

HWND CreateFrame(const char* className, WNDPROC proc, const char* title, HMENU menu, int panesH, void* object,
                 FrameSize* size) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  const Rect bounds = SurfaceBounds();
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  size->scale = std::min(1.0, (screen - 2 * kFrameGap - 16) / static_cast<double>(bounds.w));
  size->surfaceW = static_cast<int>(bounds.w * size->scale);
  size->surfaceH = static_cast<int>(bounds.h * size->scale);
  RECT frame = {0, 0, size->surfaceW + 2 * kFrameGap, size->surfaceH + panesH + 3 * kFrameGap};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, frame.right - frame.left,
                         frame.bottom - frame.top, nullptr, menu, GetModuleHandleA(nullptr), object);
}

void ShowFrame(HWND window, UINT periodMs) {
  MonitorFeed::Instance().SetWindow(window);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SetTimer(window, kFrameTimer, periodMs, nullptr);
}

bool HandleFrameMessage(HWND window, HWND surfaceView, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_MOUSEWHEEL:
      *result = SendMessageA(surfaceView, message, wParam, lParam);
      return true;
    case WM_CLOSE:
      DestroyWindow(window);
      return true;
    case WM_DESTROY:
      KillTimer(window, kFrameTimer);
      MonitorFeed::Instance().SetWindow(nullptr);
      PostQuitMessage(0);
      return true;
    default:
      return false;
  }
}

void RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TickWindowTest(std::unique_ptr<WindowTest>& test, bool* busy, Monitor& monitor, HWND window, int* result) {
  if (*busy || !test) return;
  *busy = true;
  const bool more = test->Tick();
  *busy = false;
  if (more) return;
  if (test->Failed()) {
    monitor.Print(test->Failure());
    *result = 1;
  }
  test.reset();
  PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace sim
