// What a snapshot draws: the surface as the musician sees it (driven only by
// the messages the plug-in sent and the positions of the motorless controls)
// and, beside it, a short summary of the host's mixer window and transport.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The hardware as it stands: every light is the last value the plug-in sent
// to its address (channel 14 or 15, controller 0..127); a value of 0 is dark.
struct SurfaceState {
  uint8_t ch14[128] = {};  // 0xBD: mute, record-arm, solo, automation-arm / locate LEDs
  uint8_t ch15[128] = {};  // 0xBE: knob-strip and select LEDs, transport LEDs, arrows, digits
  uint8_t faders[32] = {};  // the faders' positions (motorless: where the hand left them)
  uint8_t sendKnobs[5] = {};  // Send A..E positions
  uint8_t panKnob = 0;
  bool latched[128] = {};  // channel-14 (0xBD) buttons latch: true while the hardware holds one down
};

// The host side shown beside the surface: one line per row, already worded
// (mixer strips of the current window, transport state, now time).
struct HostSummary {
  int bank = 0;          // the window the host sees (0..3), as the simulator knows it
  int selectedStrip = -1;  // absolute strip, -1 when unknown
  int knobStrip = -1;      // absolute strip, -1 when unknown
  std::vector<std::string> lines;
};

// Writes the picture as SVG to `svgPath` and, when `pngPath` is not empty, as
// PNG. Returns false (and writes what it can) when a file cannot be written.
bool WriteSnapshot(const SurfaceState& surface, const HostSummary& host, const std::string& svgPath,
                   const std::string& pngPath);

}  // namespace sim
