// The surface's lights and the positions of its motorless controls, as the
// hardware model holds them and every view draws them.
#pragma once

#include <cstdint>

namespace sim {

// The hardware as it stands: every light is the last value the plug-in sent
// to its address (channel 14 or 15, controller 0..127); a value of 0 is dark.
struct SurfaceState {
  uint8_t ch14[128] = {};     // 0xBD: mute, record-arm, solo, automation-arm / locate LEDs
  uint8_t ch15[128] = {};     // 0xBE: knob-strip and select LEDs, transport LEDs, arrows, digits
  uint8_t faders[32] = {};    // the faders' positions (motorless: where the hand left them)
  uint8_t sendKnobs[5] = {};  // Send A..E positions
  uint8_t panKnob = 0;
  bool latched[128] = {};  // channel-14 (0xBD) buttons latch: true while the hardware holds one down
};

}  // namespace sim
