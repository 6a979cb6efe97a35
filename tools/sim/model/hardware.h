// The surface itself: what a gesture makes it send, and what it shows of the
// messages the plug-in sends it. It keeps no picture of the host: every light
// and both digits are exactly what arrived last at their address; the faders
// and knobs are motorless and stay where the hand left them.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "model/controls.h"
#include "model/surface_state.h"

namespace sim {

// One message the hardware sends, and when (milliseconds after the gesture
// began). Short messages are packed words; long ones are bytes.
struct Emission {
  int atMs = 0;
  uint32_t word = 0;
  std::vector<uint8_t> bytes;  // a system-exclusive message when not empty
};

class Hardware {
 public:
  // A fader or knob moved to `to` (first to `from` when from >= 0), one
  // message per value passed, spread evenly over `overMs` for the timed part.
  std::vector<Emission> Move(const Control& control, int position, int from, int to, int overMs);
  // A button or key pressed: latching buttons toggle (and light their own LED),
  // momentary ones send press then release.
  std::vector<Emission> Press(const Control& control, int position);
  std::vector<Emission> Hold(const Control& control);
  std::vector<Emission> Release(const Control& control);
  std::vector<Emission> Jog(int detents);
  static std::vector<Emission> Shuttle(int move);

  // A message from the plug-in. Statuses other than 0xBD and 0xBE drive nothing.
  void Receive(uint32_t word);

  SurfaceState State() const;
  uint8_t Light(uint8_t status, uint8_t controller) const;
  uint8_t FaderPosition(int position) const;
  // Messages received so far, in all and at one light's address: what an
  // expectation that waited in vain reports.
  uint64_t Received() const;
  uint32_t Arrivals(uint8_t status, uint8_t controller) const;

 private:
  std::vector<Emission> Momentary(uint8_t status, uint8_t controller);
  uint8_t* Position(const Control& control, int position);

  mutable std::mutex m_mutex;
  SurfaceState m_state;
  uint64_t m_received = 0;
  uint32_t m_arrivals[2][128] = {};  // channel 14, channel 15
};

}  // namespace sim
