// TavrelSim --window: the surface played with the mouse, the host's mixer and
// transport beside it, the monitor's lines below, and the menus of a host
// (projects, the surface's property pages, attach and detach, the transport).
//
// The window runs on the main thread, which owns the session. The plug-in's
// MIDI and refresh threads never draw: what they change reaches the window as
// a posted message, and the window reads the models when it handles it.
#pragma once

#include "model/monitor.h"
#include "run/simulator.h"

namespace sim {

// Routes the monitor's lines to the window's pane (set before the session starts).
void ConnectMonitorToWindow(Monitor& monitor);

// Runs the window until it is closed. Returns 0, or 1 when a test step failed.
int RunWindow(WindowContext& context);

// The window of the surface alone (--surface --window), the same way.
int RunSurfaceWindow(SurfaceWindowContext& context);

}  // namespace sim
