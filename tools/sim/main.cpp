// TavrelSim: a host for the surface plug-in, and a model of the hardware in
// front of it. It finds the plug-in as a host does (or loads a build's DLL),
// attaches it to its own host model, delivers MIDI and refreshes on threads
// of their own, and runs scripts, a soak, or until it is stopped. With
// --surface it plays the hardware alone, over MIDI ports, with no plug-in.
#include <cstdio>

#include "run/options.h"
#include "run/simulator.h"
#include "window/window.h"

int main(int argc, char** argv) {
  sim::Options options;
  std::string error;
  if (!sim::ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "TavrelSim: %s\n%s", error.c_str(), sim::Usage().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(sim::Usage().c_str(), stdout);
    return 0;
  }
  return sim::RunSimulator(options, {sim::ConnectMonitorToWindow, sim::RunWindow, sim::RunSurfaceWindow});
}
