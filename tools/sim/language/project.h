// The simulator's project file: the host's state and the surface's stored
// settings, as text a person can read and edit:
//
//   TavrelSim project 1
//   surface {875363BB-FC50-4350-8E52-FFEF845D52E3}
//   settings 03 24 25 01 0a 26 27 28 02 00 02 04 06 08 01 00 00 ...   (30 bytes)
//   strips 32
//   transport now 3840 punch-in 0 punch-out 0 record-mode overwrite takes 1
//   marker 3840
//   strip 3 volume 0.504 pan 0.5 mute 1 solo 0 arm 0
//   send 3 2 volume 0.25 pan 0.5
//   armed 3 volume
//
// Only strips, sends and arms that differ from the defaults are written.
#pragma once

#include <cstdint>
#include <string>

#include "model/host_state.h"

namespace sim {

inline constexpr size_t PROJECT_SETTINGS_SIZE = 30;

struct Project {
  std::string surface;  // CLSID text of the surface the settings belong to
  bool hasSettings = false;
  uint8_t settings[PROJECT_SETTINGS_SIZE] = {};
  HostState host;
};

std::string ProjectText(const Project& project);

// Parses a whole file; on failure `error` names the line and what is wrong.
bool ParseProject(const std::string& file, const std::string& text, Project* project, std::string* error);

// Puts a project's host state into the running host's: strips, transport,
// record mode, takes and markers (what a project holds of the host).
void RestoreProjectHost(const HostState& stored, HostState* state);

}  // namespace sim
