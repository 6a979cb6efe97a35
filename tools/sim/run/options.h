// TavrelSim's command line: one table gives the parser and the usage text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/capture_session.h"

namespace sim {

struct Options {
  std::string dll, clsid, project, snapshots = ".";
  std::vector<std::string> scripts;
  bool list = false, monitor = false, reads = false;
  bool window = false, help = false;
  bool surface = false;  // the surface alone over MIDI ports, no plug-in in this process
  std::string windowTest;
  int refreshMs = 50;
  long soak = 0;
  uint32_t seed = 1;
  CaptureOptions capture;
};

// False with `error` for an unknown option, a missing value or a number out
// of its range.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

// The options and the script's steps, as --help prints them.
std::string Usage();

}  // namespace sim
