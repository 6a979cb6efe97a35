// TavrelSim --window: the surface played with the mouse, the host's mixer and
// transport beside it, the monitor's lines below, and the menus of a host
// (projects, the surface's property pages, attach and detach, the transport).
//
// The window runs on the main thread, which owns the session. The plug-in's
// MIDI and refresh threads never draw: what they change reaches the window as
// a posted message, and the window reads the models when it handles it.
#pragma once

#include <string>

#include "model/monitor.h"
#include "run/capture_session.h"
#include "run/runner.h"

namespace sim {

struct WindowContext {
  RunContext& run;
  Runner& runner;
  IUnknown* hostUnknown;     // handed to AttachHost again after a detach
  bool attached = true;      // false after Surface > Detach; the caller detaches only when true
  std::string projectPath;   // File > Save writes here; File > Open changes it
  std::string testScript;    // --window-test: gestures and checks run in the window, then it closes
  std::string surfaceClsid;  // written into saved projects
  int refreshMs = 50;
  HMODULE module = nullptr;         // the DLL when loaded from a file: its pages are served from it
  CaptureSession* ports = nullptr;  // the live MIDI ports the Ports menu opens and closes
};

// Routes the monitor's lines to the window's pane (set before the session starts).
void ConnectMonitorToWindow(Monitor& monitor);

// Runs the window until it is closed. Returns 0, or 1 when a test step failed.
int RunWindow(WindowContext& context);

}  // namespace sim
