// A whole run of TavrelSim, in its phases: the input read and checked, the
// plug-in loaded, the surface attached, the session played (scripts, soak,
// capture, window, or free running until stopped), the project saved, the
// surface detached and let go, and the exit code: 0 done; 1 an expectation
// failed or the run found an error; 2 bad input (options, scripts, project
// file, capture, ports, plug-in not found).
#pragma once

#include <string>
#include <vector>

#include "model/hardware.h"
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

// What the window of the surface alone is handed (--surface --window).
struct SurfaceWindowContext {
  Monitor& monitor;
  Hardware& hardware;
  StepRunner& runner;
  PortChoice& ports;
  const std::vector<Step>* test = nullptr;  // --window-test: steps run in the window, which then closes
};

// The window, wired in by the program so that this layer never reaches up
// into the window's: its monitor pane, the host's window, and the window of
// the surface alone.
struct WindowFrontEnd {
  void (*connectMonitor)(Monitor& monitor) = nullptr;
  int (*run)(WindowContext& context) = nullptr;
  int (*runSurface)(SurfaceWindowContext& context) = nullptr;
};

int RunSimulator(const Options& options, const WindowFrontEnd& window);

// --surface: the hardware alone, with no plug-in loaded or linked. Its
// gestures (a script's, the window's) leave through the MIDI output port;
// the messages of a plug-in at the other end of the input port drive its
// lights and digits. Without a script or the window it shows what arrives
// until it is stopped (Ctrl+C). Exit codes as above.
int RunSurfaceAlone(const Options& options, const WindowFrontEnd& window);

// Reads a script or a window test (`window`) of a host's run or, without
// `host`, of the surface alone; every mistake goes into `errors`.
void ReadScript(const std::string& path, bool window, bool host, std::vector<Step>* steps,
                std::vector<std::string>* errors);

// Blocks until Ctrl+C (or the console closing) asks the program to stop.
void WaitUntilStopped();

}  // namespace sim
