// TavrelSim --surface --window: the surface alone on the screen, its monitor
// below it and the Ports menu above, for a musician who drives a host on the
// other ends of two MIDI ports from the screen. The window runs on the main
// thread; the input port's thread changes the hardware and the monitor only
// posts a message, and the window reads the models when it handles it.
#include <memory>

#include "window/menus.h"
#include "window/monitor_feed.h"
#include "window/monitor_pane.h"
#include "window/ports_menu.h"
#include "window/surface_view.h"
#include "window/window.h"
#include "window/window_object.h"
#include "window/window_test.h"

namespace sim {
namespace {

constexpr char kClass[] = "TavrelSimSurfaceAlone";
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTimerMs = 100;  // the test's steps
constexpr int kGap = 6, kPaneH = 240;

class SurfaceWindow {
 public:
  explicit SurfaceWindow(SurfaceWindowContext& context)
      : m_context(context),
        m_view(context.hardware, [this](const Step& step) { Gesture(step); }),
        m_ports(context.ports) {}
  int Run();

 private:
  friend LRESULT CALLBACK sim::ObjectProc<SurfaceWindow>(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND Handle() const { return m_window; }
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Create();
  void Gesture(const Step& step);
  void Changed();
  void Problem(const std::string& text);
  void Tick();

  SurfaceWindowContext& m_context;
  HWND m_window = nullptr;
  SurfaceView m_view;
  PortsMenu m_ports;
  MonitorPane m_pane;
  std::unique_ptr<WindowTest> m_test;
  bool m_busy = false;
  int m_result = 0;
};

void SurfaceWindow::Problem(const std::string& text) {
  m_context.monitor.Note(text);
  m_context.monitor.Print("TavrelSim: " + text);
}

void SurfaceWindow::Gesture(const Step& step) {
  std::string failure;
  if (!m_context.runner.Run(step, &failure)) Problem(failure);
  Changed();
}

void SurfaceWindow::Changed() {
  MonitorFeed::Instance().Handled();
  m_view.Update();
  m_pane.Take();
  m_ports.Sync();  // a port that failed while open goes back to None
}

void SurfaceWindow::Tick() {
  if (m_busy || !m_test) return;
  m_busy = true;
  const bool more = m_test->Tick();
  m_busy = false;
  if (more) return;
  if (m_test->Failed()) {
    m_context.monitor.Print(m_test->Failure());
    m_result = 1;
  }
  m_test.reset();
  PostMessageA(m_window, WM_CLOSE, 0, 0);
}

LRESULT SurfaceWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIM_CHANGED:
      Changed();
      return 0;
    case WM_TIMER:
      Tick();
      return 0;
    case WM_COMMAND: {
      if (lParam != 0 && m_pane.OnCommand(reinterpret_cast<HWND>(lParam))) return 0;
      const UINT id = LOWORD(wParam);
      std::string error;
      if (PortsMenu::Owns(id) && !m_ports.Choose(id, &error)) Problem(error);
      if (id == ID_FILE_EXIT) DestroyWindow(m_window);
      return 0;
    }
    case WM_MOUSEWHEEL:  // the wheel turns what is under the pointer on the surface
      return SendMessageA(m_view.Handle(), message, wParam, lParam);
    case WM_CLOSE:
      DestroyWindow(m_window);
      return 0;
    case WM_DESTROY:
      KillTimer(m_window, kTimer);
      MonitorFeed::Instance().SetWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(m_window, message, wParam, lParam);
  }
}

// The surface scaled to the screen's width, the monitor below it.
bool SurfaceWindow::Create() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ObjectProc<SurfaceWindow>;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);
  const Rect bounds = SurfaceBounds();
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  const double scale = std::min(1.0, (screen - 2 * kGap - 16) / static_cast<double>(bounds.w));
  const int surfaceW = static_cast<int>(bounds.w * scale), surfaceH = static_cast<int>(bounds.h * scale);
  RECT frame = {0, 0, surfaceW + 2 * kGap, surfaceH + kPaneH + 3 * kGap};
  HMENU menu = BuildSurfaceMenuBar();
  m_ports.Append(menu);
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  m_window = CreateWindowExA(0, kClass, "TavrelSim: the surface alone", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, menu,
                             GetModuleHandleA(nullptr), this);
  if (!m_window) return false;
  m_view.Create(m_window, kGap, kGap, scale);
  m_pane.Create(m_window, kGap, surfaceH + 2 * kGap, surfaceW, kPaneH, false);
  return true;
}

int SurfaceWindow::Run() {
  if (!Create()) return 2;
  if (m_context.test != nullptr) {
    m_test = std::make_unique<WindowTest>(m_context.runner, m_context.hardware, m_view, nullptr, &m_pane, &m_ports,
                                          m_window);
    m_test->Load(*m_context.test);
  }
  MonitorFeed::Instance().SetWindow(m_window);
  Changed();
  ShowWindow(m_window, SW_SHOWNORMAL);
  UpdateWindow(m_window);
  SetTimer(m_window, kTimer, kTimerMs, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return m_result;
}

}  // namespace

int RunSurfaceWindow(SurfaceWindowContext& context) {
  SurfaceWindow window(context);
  return window.Run();
}

}  // namespace sim
