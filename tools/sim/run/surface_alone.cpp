// TavrelSim --surface: the hardware's half of a session in a process of its
// own, for a host (TavrelSim with the plug-in, or a real one) at the other
// ends of its two MIDI ports.
#include <cstdio>

#include "run/simulator.h"
#include "run/surface_runner.h"

namespace sim {
namespace {

void Report(const std::string& what) { std::fprintf(stderr, "TavrelSim: %s\n", what.c_str()); }

// The scripts, then the window or, with neither, the lights as they arrive
// until the program is stopped.
int Play(const Options& options, const WindowFrontEnd& window, SurfaceWindowContext& context,
         const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    std::string failure;
    if (!context.runner.Run(step, &failure)) {
      std::fprintf(stderr, "%s\n", failure.c_str());
      return 1;
    }
  }
  if (options.window && window.runSurface != nullptr) return window.runSurface(context);
  if (steps.empty()) {
    context.monitor.Print("TavrelSim: the surface runs; Ctrl+C stops");
    WaitUntilStopped();
  }
  return 0;
}

}  // namespace

int RunSurfaceAlone(const Options& options, const WindowFrontEnd& window) {
  std::vector<Step> steps, test;
  std::vector<std::string> errors;
  for (const std::string& path : options.scripts) ReadScript(path, false, false, &steps, &errors);
  if (!options.windowTest.empty()) ReadScript(options.windowTest, true, false, &test, &errors);
  CaptureSession ports(options.capture, true);
  if (std::string why; errors.empty() && !ports.Prepare(&why)) errors.push_back("TavrelSim: " + why);
  if (!errors.empty()) {
    for (const std::string& error : errors) std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  Monitor monitor;
  monitor.Enable(options.monitor, false);
  if (options.window && window.connectMonitor != nullptr) window.connectMonitor(monitor);
  ports.Attach(monitor);
  Hardware hardware;
  monitor.Print("TavrelSim: the surface alone, no plug-in in this process");
  // The plug-in's messages drive the lights; a system-exclusive message
  // means nothing to this surface.
  const auto lights = [&](uint32_t word, const std::vector<uint8_t>* sysex) {
    if (sysex != nullptr) return true;
    monitor.Out(word);
    hardware.Receive(word);
    return true;
  };
  std::string error;
  int result = 0;
  if (!ports.Start(lights, &error)) Report(error), result = 2;
  SurfaceRunner runner(monitor, hardware, ports, options.snapshots);
  SurfaceWindowContext context{monitor, hardware, runner, ports, options.windowTest.empty() ? nullptr : &test};
  if (result == 0) result = Play(options, window, context, steps);
  ports.StopInput();
  if (!ports.Finish(&error)) Report(error), result = result ? result : 1;
  return result;
}

}  // namespace sim
