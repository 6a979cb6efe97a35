// Named builders for the fake host's "send" lines, so tests spell expected
// wire traffic by what it is (a light, dashes, arrows, two digits, the
// sweep) instead of retyped hex. Built from the one MIDI map.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "midi_map.h"

namespace wire {

using Lines = std::vector<std::string>;

inline std::string Send(int status, int controller, int value) {
  char line[32];
  std::snprintf(line, sizeof line, "send %02x %02x %02x", status, controller, value);
  return line;
}

// A strip or panel light switched on or off.
inline std::string Led(int status, int controller, bool on) {
  return Send(status, controller, on ? midi::LED_ON : midi::LED_OFF);
}

// The display while a control has not picked up.
inline Lines Dashes() {
  return {Send(midi::STATUS_CH15, midi::DIGIT_LEFT, midi::SEGMENT_DASH),
          Send(midi::STATUS_CH15, midi::DIGIT_RIGHT, midi::SEGMENT_DASH)};
}

inline Lines Arrows(bool up, bool down) {
  return {Led(midi::STATUS_CH15, midi::LED_ARROW_UP, up), Led(midi::STATUS_CH15, midi::LED_ARROW_DOWN, down)};
}

// A byte on the display as two hexadecimal digits, high digit first.
inline Lines Digits(int value) {
  const auto bits = static_cast<uint8_t>(value);
  return {Send(midi::STATUS_CH15, midi::DIGIT_LEFT, midi::HighDigit(bits)),
          Send(midi::STATUS_CH15, midi::DIGIT_RIGHT, midi::LowDigit(bits))};
}

// The 201 switch-off messages in their order: panel lights, then per
// position select, automation arm, record arm, knob strip, solo, mute.
inline Lines Sweep() {
  Lines lines;
  for (int controller : {midi::LED_RECORD, midi::LED_TRANSPORT_57, midi::LED_PLAY, midi::LED_ARROW_UP,
                         midi::LED_ARROW_DOWN, midi::LED_5B, midi::LED_5C, midi::DIGIT_LEFT, midi::DIGIT_RIGHT})
    lines.push_back(Send(midi::STATUS_CH15, controller, 0));
  for (int p = 0; p < midi::STRIPS_PER_BANK; ++p) {
    lines.push_back(Send(midi::STATUS_CH15, midi::LED_SELECT + p, 0));
    lines.push_back(Send(midi::STATUS_CH14, midi::LED_AUTO_ARM + p, 0));
    lines.push_back(Send(midi::STATUS_CH14, midi::LED_REC_ARM + p, 0));
    lines.push_back(Send(midi::STATUS_CH15, midi::LED_KNOB_STRIP + p, 0));
    lines.push_back(Send(midi::STATUS_CH14, midi::LED_SOLO + p, 0));
    lines.push_back(Send(midi::STATUS_CH14, midi::LED_MUTE + p, 0));
  }
  return lines;
}

// Lines one after another, for a sequence made of several builders.
inline Lines Then(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

}  // namespace wire
