// What a snapshot draws: the surface as the musician sees it (driven only by
// the messages the plug-in sent and the positions of the motorless controls)
// and, beside it, a short summary of the host's mixer window and transport.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/surface_state.h"

namespace sim {

// The host side shown beside the surface: one line per row, already worded
// (mixer strips of the current window, transport state, now time).
struct HostSummary {
  int bank = 0;            // the window the host sees (0..3), as the simulator knows it
  int selectedStrip = -1;  // absolute strip, -1 when unknown
  int knobStrip = -1;      // absolute strip, -1 when unknown
  std::vector<std::string> lines;
};

// Writes the picture as SVG to `svgPath` and, when `pngPath` is not empty, as
// PNG. Returns false (and writes what it can) when a file cannot be written.
bool WriteSnapshot(const SurfaceState& surface, const HostSummary& host, const std::string& svgPath,
                   const std::string& pngPath);

}  // namespace sim
