#include "window/window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <memory>

#include "model/host_commands.h"
#include "run/attachment.h"
#include "run/project_store.h"
#include "run/surface_settings.h"
#include "window/frame.h"
#include "window/menus.h"
#include "window/mixer_panel.h"
#include "window/monitor_feed.h"
#include "window/monitor_pane.h"
#include "window/ports_menu.h"
#include "window/properties.h"
#include "window/surface_view.h"
#include "window/window_object.h"
#include "window/window_test.h"

namespace sim {
namespace {

constexpr char kClass[] = "TavrelSimWindow";
constexpr UINT kTimerMs = 100;  // the transport's now time, and the test's steps
constexpr int kGap = kFrameGap, kMixerW = 320, kPanesH = 330;

// The system's file dialog for a project to open or to save as; false when
// the user cancels.
bool ChooseProjectFile(HWND owner, bool save, char (&path)[MAX_PATH]) {
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "TavrelSim projects\0*.txt\0All files\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.Flags = save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
  return save ? GetSaveFileNameA(&dialog) != FALSE : GetOpenFileNameA(&dialog) != FALSE;
}

class MainWindow {
 public:
  explicit MainWindow(WindowContext& context)
      : m_context(context),
        m_view(context.run.hardware, [this](const Step& step) { Gesture(step); }),
        m_mixer(context.run.host),
        m_ports(*context.ports) {}

  int Run();

 private:
  bool Create();
  friend LRESULT CALLBACK sim::ObjectProc<MainWindow>(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND Handle() const { return m_window; }
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Gesture(const Step& step);
  void Command(UINT id);
  void Changed();
  void Problem(const std::string& text);
  void SetAttached(bool on);
  bool OpenProject(const std::string& path, std::string* error);
  bool SaveProject(std::string* error);

  WindowContext& m_context;
  HWND m_window = nullptr;
  HMENU m_menu = nullptr;
  SurfaceView m_view;
  MixerPanel m_mixer;
  PortsMenu m_ports;
  MonitorPane m_pane;
  std::unique_ptr<WindowTest> m_test;
  bool m_busy = false;  // a modal frame or a test step is running: timer ticks wait
  int m_refreshMs = 50;
  int m_result = 0;
};

void MainWindow::Problem(const std::string& text) {
  m_context.run.monitor.Note(text);
  m_context.run.monitor.Print("TavrelSim: " + text);
}

void MainWindow::Gesture(const Step& step) {
  if (!m_context.attached) return;  // a detached surface gets no input
  std::string failure;
  if (!m_context.runner.Run(step, &failure)) Problem(failure);
  Changed();
}

void MainWindow::Changed() {
  MonitorFeed::Instance().Handled();
  m_view.Update();
  m_mixer.Update(m_context.run.bank);
  m_pane.Take();
  const auto [blink, strips] = m_context.run.host.With([](HostState& s) { return std::pair(s.blink, s.stripCount); });
  UpdateMenuBar(m_menu, m_context.attached, blink, strips, m_refreshMs);
  m_ports.Sync();
}

void MainWindow::SetAttached(bool on) {
  RunContext& run = m_context.run;
  if (on == m_context.attached) return;
  if (!on) {
    run.session.FreeRun(false);
    run.session.Drain();
    DetachSurface(run.surface, run.monitor);
    m_context.attached = false;
  } else {
    std::string error;
    if (!AttachSurface(run.surface, run.host, run.monitor, &error)) return Problem(error);
    m_context.attached = true;
    run.session.Refresh(1, 0);  // the host's first refresh makes the surface ready
    run.session.FreeRun(true);
  }
  Changed();
}

bool MainWindow::OpenProject(const std::string& path, std::string* error) {
  Project project;
  const ProjectRead read = ReadProjectFile(path, m_context.surfaceClsid, &project, error);
  if (read == ProjectRead::Missing) *error = path + ": no such project";
  if (read != ProjectRead::Read) return false;
  if (!RestoreProject(project, m_context.run.surface, m_context.run.host, error)) return false;
  m_context.projectPath = path;
  return SaveSettings(m_context.run.surface, m_context.run.settings, error);
}

bool MainWindow::SaveProject(std::string* error) {
  if (m_context.projectPath.empty()) {
    char path[MAX_PATH] = "project.txt";
    if (!ChooseProjectFile(m_window, true, path)) return true;
    m_context.projectPath = path;
  }
  if (!sim::SaveProject(m_context.projectPath, m_context.surfaceClsid, m_context.run.surface, m_context.run.host,
                        error))
    return false;
  m_context.run.monitor.Note("project saved: " + m_context.projectPath);
  return true;
}

void MainWindow::Command(UINT id) {
  RunContext& run = m_context.run;
  std::string error;
  if (id >= ID_STRIPS_FIRST && id < ID_STRIPS_FIRST + std::size(kStripCounts)) {
    run.host.With([&](HostState& s) {
      s.stripCount = kStripCounts[id - ID_STRIPS_FIRST];
      s.stripCountFails = false;
    });
  } else if (id >= ID_REFRESH_FIRST && id < ID_REFRESH_FIRST + std::size(kRefreshPeriods)) {
    m_refreshMs = kRefreshPeriods[id - ID_REFRESH_FIRST];
    run.session.SetRefreshMs(m_refreshMs);
  }
  // A port that will not open is reported and the window goes on without it.
  if (PortsMenu::Owns(id)) {
    if (!m_ports.Choose(id, &error)) Problem(error);
    return;
  }
  switch (id) {
    case ID_FILE_OPEN: {
      char path[MAX_PATH] = "";
      if (ChooseProjectFile(m_window, false, path) && !OpenProject(path, &error)) Problem(error);
      break;
    }
    case ID_FILE_SAVE:
      if (!SaveProject(&error)) Problem(error);
      break;
    case ID_FILE_EXIT:
      DestroyWindow(m_window);
      return;
    case ID_SURFACE_PROPERTIES: {
      if (!m_context.attached) break;
      const bool wasBusy = m_busy;
      m_busy = true;
      if (!ShowSurfaceProperties(m_window, run.surface, m_context.module, &error)) Problem(error);
      m_busy = wasBusy;
      // The host's copy of the settings follows what the page wrote into the surface.
      if (!SaveSettings(run.surface, run.settings, &error)) Problem(error);
      break;
    }
    case ID_SURFACE_ATTACH:
      SetAttached(!m_context.attached);
      break;
    case ID_HOST_PLAY:
      run.host.Command(COMMAND_TRANSPORT_KEY_76);
      break;
    case ID_HOST_RECORD:
      run.host.Command(COMMAND_RECORD);
      break;
    case ID_HOST_STOP:
      run.host.Command(COMMAND_STOP);
      break;
    case ID_HOST_BLINK:
      run.host.With([](HostState& s) { s.blink = !s.blink; });
      break;
    default:
      break;
  }
  Changed();
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIM_CHANGED:
      Changed();
      return 0;
    case WM_TIMER:
      if (m_busy) return 0;
      m_mixer.Update(m_context.run.bank);
      TickWindowTest(m_test, &m_busy, m_context.run.monitor, m_window, &m_result);
      return 0;
    case WM_COMMAND:
      if (lParam != 0 && m_pane.OnCommand(reinterpret_cast<HWND>(lParam))) return 0;
      if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
      return 0;
    case WM_NOTIFY:
      if (m_mixer.OnNotify(reinterpret_cast<NMHDR*>(lParam))) return 0;
      break;
    default:
      break;
  }
  LRESULT result;
  if (HandleFrameMessage(m_window, m_view.Handle(), message, wParam, lParam, &result)) return result;
  return DefWindowProcA(m_window, message, wParam, lParam);
}

// The window and its panes, the surface scaled to the screen's width with
// the mixer and the monitor below it; false when it cannot be made.
bool MainWindow::Create() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  m_menu = BuildMenuBar();
  m_ports.Append(m_menu);
  m_refreshMs = m_context.refreshMs;
  FrameSize size;
  m_window = CreateFrame(kClass, ObjectProc<MainWindow>, "TavrelSim", m_menu, kPanesH, this, &size);
  if (!m_window) return false;
  m_view.Create(m_window, kGap, kGap, size.scale);
  const int panesY = size.surfaceH + 2 * kGap;
  m_mixer.Create(m_window, kGap, panesY, kMixerW, kPanesH);
  m_pane.Create(m_window, 2 * kGap + kMixerW, panesY, size.surfaceW - kMixerW - kGap, kPanesH);
  return true;
}

int MainWindow::Run() {
  if (!Create()) return 2;
  if (m_context.test != nullptr) {
    m_test = std::make_unique<WindowTest>(m_context.runner, m_context.run.hardware, m_view, &m_mixer, &m_pane, &m_ports,
                                          m_window);
    m_test->Load(*m_context.test);
  }
  Changed();
  ShowFrame(m_window, kTimerMs);
  // Without a script the host refreshes on its own, every period.
  m_context.run.session.FreeRun(true);
  RunMessageLoop();
  m_context.run.session.FreeRun(false);
  m_context.run.session.Drain();
  return m_result;
}

}  // namespace

int RunWindow(WindowContext& context) {
  MainWindow window(context);
  return window.Run();
}

}  // namespace sim
