// A whole run of TavrelSim, in its phases: the input read and checked, the
// plug-in loaded, the surface attached, the session played (scripts, soak,
// capture, window, or free running until stopped), the project saved, the
// surface detached and let go, and the exit code: 0 done; 1 an expectation
// failed or the run found an error; 2 bad input (options, scripts, project
// file, capture, ports, plug-in not found).
#pragma once

#include <string>
#include <vector>

#include "model/monitor.h"
#include "run/capture_session.h"
#include "run/options.h"
#include "run/runner.h"

namespace sim {

// What the window is handed when the run has one (--window).
struct WindowContext {
  RunContext& run;
  Runner& runner;
  bool attached = true;                     // false after Surface > Detach; the caller detaches only when true
  std::string projectPath;                  // File > Save writes here; File > Open changes it
  const std::vector<Step>* test = nullptr;  // --window-test: steps run in the window, which then closes
  std::string surfaceClsid;                 // written into saved projects
  int refreshMs = 50;
  HMODULE module = nullptr;         // the DLL when loaded from a file: its pages are served from it
  CaptureSession* ports = nullptr;  // the live MIDI ports the Ports menu opens and closes
};

// The window, wired in by the program so that this layer never reaches up
// into the window's: its monitor pane, and the window itself.
struct WindowFrontEnd {
  void (*connectMonitor)(Monitor& monitor) = nullptr;
  int (*run)(WindowContext& context) = nullptr;
};

int RunSimulator(const Options& options, const WindowFrontEnd& window);

}  // namespace sim
