// TavrelSim --surface --window: the surface alone on the screen, its monitor
// below it and the Ports menu above, for a musician who drives a host on the
// other ends of two MIDI ports from the screen. The window runs on the main
// thread; the input port's thread changes the hardware and the monitor only
// posts a message, and the window reads the models when it handles it.
#include <memory>

#include "window/frame.h"
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
constexpr UINT kTimerMs = 100;  // the test's steps
constexpr int kGap = kFrameGap, kPaneH = 240;

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

void SurfaceWindow::Tick() { TickWindowTest(m_test, &m_busy, m_context.monitor, m_window, &m_result); }

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
    default:
      break;
  }
  LRESULT result;
  if (HandleFrameMessage(m_window, m_view.Handle(), message, wParam, lParam, &result)) return result;
  return DefWindowProcA(m_window, message, wParam, lParam);
}

// The surface scaled to the screen's width, the monitor below it.
bool SurfaceWindow::Create() {
  HMENU menu = BuildSurfaceMenuBar();
  m_ports.Append(menu);
  FrameSize size;
  m_window = CreateFrame(kClass, ObjectProc<SurfaceWindow>, "TavrelSim: the surface alone", menu, kPaneH, this, &size);
  if (!m_window) return false;
  m_view.Create(m_window, kGap, kGap, size.scale);
  m_pane.Create(m_window, kGap, size.surfaceH + 2 * kGap, size.surfaceW, kPaneH, false);
  return true;
}

int SurfaceWindow::Run() {
  if (!Create()) return 2;
  if (m_context.test != nullptr) {
    m_test = std::make_unique<WindowTest>(m_context.runner, m_context.hardware, m_view, nullptr, &m_pane, &m_ports,
                                          m_window);
    m_test->Load(*m_context.test);
  }
  Changed();
  ShowFrame(m_window, kTimerMs);
  RunMessageLoop();
  return m_result;
}

}  // namespace

int RunSurfaceWindow(SurfaceWindowContext& context) {
  SurfaceWindow window(context);
  return window.Run();
}

}  // namespace sim
