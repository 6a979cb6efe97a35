// The simulator's names for the surface's controls and lights, built on the
// one MIDI map: what a script calls a control, which address it has, and how
// a message reads in the monitor. Nothing here talks to the plug-in.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// How a control behaves on the hardware.
enum class ControlKind : uint8_t {
  Fader,        // channel 16, absolute, per strip
  Knob,         // channel 16, absolute (pan, sends A..E)
  LatchButton,  // channel 14, per strip: latches, lights its own LED
  StripButton,  // channel 15, per strip: momentary (select, knob strip)
  Key,          // channel 15 momentary key, or the footswitch on channel 16
  Jog,          // channel 16, relative
};

struct Control {
  const char* name;
  ControlKind kind;
  uint8_t status;
  uint8_t controller;  // the address, or the first address of a per-strip row
  bool perStrip;
};

// Case-insensitive comparison of two names.
bool SameWord(const std::string& a, const std::string& b);

// Finds a control by its script name ("mute", "F1", "store", "pan", "A",
// "footswitch"...), case-insensitively. Null when there is none.
const Control* FindControl(const std::string& name);

// A light the plug-in drives: its name and address.
struct Light {
  const char* name;
  uint8_t status;
  uint8_t controller;
  bool perStrip;
};
const Light* FindLight(const std::string& name);

// One display digit as text: 0..9 A b C d E F, '-' for a dash, ' ' for blank,
// '?' for a segment byte that is no digit.
char DigitChar(uint8_t segments);

// The surface's meaning of a message, in each direction, for the monitor:
// "fader 3 = 64", "display left \"4\"". Empty for no meaning.
std::string DescribeIncoming(uint8_t status, uint8_t controller, uint8_t value);
std::string DescribeOutgoing(uint8_t status, uint8_t controller, uint8_t value);

// "Alt+T", "Ctrl+F4", "Down", "Comma" for a virtual-key code.
std::string KeyName(uint32_t virtualKey);

}  // namespace sim
