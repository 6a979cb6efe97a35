#include "model/hardware.h"

#include <cstdlib>

#include "midi_map.h"

using namespace midi;

namespace sim {

uint8_t* Hardware::Position(const Control& control, int position) {
  if (control.kind == ControlKind::Fader) return &m_state.faders[position & (STRIPS_PER_BANK - 1)];
  if (control.controller == CC_PAN_KNOB) return &m_state.panKnob;
  return &m_state.sendKnobs[SendKnobIndex(control.controller)];
}

std::vector<Emission> Hardware::Move(const Control& control, int position, int from, int to, int overMs) {
  std::lock_guard<std::mutex> lock(m_mutex);
  uint8_t* where = Position(control, position);
  const uint8_t controller =
      static_cast<uint8_t>(control.controller + (control.kind == ControlKind::Fader ? position : 0));
  std::vector<Emission> out;
  // A run of values from where the control is to `target`, each value one
  // message, as a real fader reports its travel; the timed part is spread.
  auto run = [&](int target, int durationMs, int startMs) {
    const int start = *where;
    const int steps = std::abs(target - start);
    const int direction = target >= start ? 1 : -1;
    for (int i = steps == 0 ? 0 : 1; i <= steps; ++i) {
      Emission emission;
      emission.atMs = startMs + (steps == 0 ? 0 : durationMs * i / steps);
      emission.word = Pack(STATUS_CH16, controller, static_cast<uint8_t>(start + direction * i));
      out.push_back(emission);
    }
    *where = static_cast<uint8_t>(target);
  };
  if (from >= 0 && from != *where) run(from, 0, 0);
  run(to, overMs, 0);
  return out;
}

std::vector<Emission> Hardware::Momentary(uint8_t status, uint8_t controller) {
  Emission press, release;
  press.word = Pack(status, controller, 127);
  release.word = Pack(status, controller, 0);
  return {press, release};
}

std::vector<Emission> Hardware::Press(const Control& control, int position) {
  const uint8_t controller = static_cast<uint8_t>(control.controller + (control.perStrip ? position : 0));
  if (control.kind != ControlKind::LatchButton) return Momentary(control.status, controller);
  // A channel-14 button latches: each press flips it, it lights its own LED,
  // and it starts from what its LED shows, so a light the plug-in switched
  // off means the next press turns the button on again.
  std::lock_guard<std::mutex> lock(m_mutex);
  const bool on = m_state.ch14[controller] == 0;
  m_state.ch14[controller] = on ? LED_ON : LED_OFF;
  m_state.latched[controller] = on;
  Emission emission;
  emission.word = Pack(STATUS_CH14, controller, on ? 127 : 0);
  return {emission};
}

std::vector<Emission> Hardware::Hold(const Control& control) {
  Emission emission;
  emission.word = Pack(control.status, control.controller, 127);
  return {emission};
}

std::vector<Emission> Hardware::Release(const Control& control) {
  Emission emission;
  emission.word = Pack(control.status, control.controller, 0);
  return {emission};
}

std::vector<Emission> Hardware::Jog(int detents) {
  Emission emission;
  emission.word = Pack(STATUS_CH16, CC_JOG_WHEEL, static_cast<uint8_t>(detents >= 0 ? detents : 127 + detents));
  return {emission};
}

std::vector<Emission> Hardware::Shuttle(int move) {
  const int magnitude = std::abs(move);
  Emission emission;
  emission.bytes.assign(SHUTTLE_HEADER, SHUTTLE_HEADER + sizeof SHUTTLE_HEADER);
  emission.bytes.push_back(static_cast<uint8_t>((move < 0 ? 0x40 : 0) | (magnitude >> 7)));
  emission.bytes.push_back(static_cast<uint8_t>(magnitude & 0x7F));
  emission.bytes.push_back(0x00);
  emission.bytes.push_back(0xF7);
  return {emission};
}

void Hardware::Receive(uint32_t word) {
  const ShortMessage message = Unpack(word);
  if (message.controller >= 128) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_received;
  if (message.status == STATUS_CH14) {
    m_state.ch14[message.controller] = message.value;
    m_state.latched[message.controller] = message.value != 0;
    ++m_arrivals[0][message.controller];
  } else if (message.status == STATUS_CH15) {
    m_state.ch15[message.controller] = message.value;
    ++m_arrivals[1][message.controller];
  }
}

uint64_t Hardware::Received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_received;
}

uint32_t Hardware::Arrivals(uint8_t status, uint8_t controller) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (controller >= 128 || (status != STATUS_CH14 && status != STATUS_CH15)) return 0;
  return m_arrivals[status == STATUS_CH14 ? 0 : 1][controller];
}

SurfaceState Hardware::State() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state;
}

uint8_t Hardware::Light(uint8_t status, uint8_t controller) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (controller >= 128) return 0;
  return status == STATUS_CH14 ? m_state.ch14[controller] : m_state.ch15[controller];
}

uint8_t Hardware::FaderPosition(int position) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state.faders[position & (STRIPS_PER_BANK - 1)];
}

}  // namespace sim
