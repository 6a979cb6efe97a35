// The one table of the surface's controls and lights: each once, with its
// MIDI address (from the plug-in's MIDI map), its place on the surface, its
// one name and its caption. Scripts, window tests, hit-testing, the monitor
// and the pictures all look controls up here; nothing else spells a name.
//
// A per-strip row stands for its 32 window positions: its addresses and
// place are those of position 0, and the layout names each "mute 3".
// Where scripts already spell a name another way ("A" for "send A", "locate"
// for "auto"), the row carries that spelling as its alias.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sim {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
  bool Overlaps(const Rect& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
  int CentreX() const { return x + w / 2; }
  int CentreY() const { return y + h / 2; }
};

// A MIDI address: status byte and controller. Status 0 means none.
struct Address {
  uint8_t status = 0;
  uint8_t controller = 0;
  constexpr bool Present() const { return status != 0; }
  bool operator==(const Address&) const = default;
};

// How a control behaves on the hardware.
enum class ControlKind : uint8_t {
  Fader,        // channel 16, absolute, per strip
  Knob,         // channel 16, absolute (pan, sends A..E)
  LatchButton,  // channel 14, per strip: latches, lights its own LED
  StripButton,  // channel 15, per strip: momentary (select, knob strip)
  Key,          // channel 15 momentary key, or the footswitch on channel 16
  Jog,          // channel 16, relative
  Light,        // no control: a lamp, an arrow or a digit the plug-in drives
};

// How a row is drawn.
enum class Kind : uint8_t {
  Fader,            // index = window position; input 0xBF, absolute
  KnobStripButton,  // index = window position; 0xBE in and out
  SelectButton,     // index = window position; 0xBE in and out
  MuteButton,       // index = window position; 0xBD, latches on the hardware
  SoloButton,
  RecArmButton,
  AutoArmButton,  // automation arm, or locate button, by the settings
  StoreKey,
  FunctionKey,   // index 1..9
  TransportKey,  // 0xBE 0x4B..0x4F; the record key carries the record LED
  UnusedKey,     // the two keys without a function
  UpKey,
  DownKey,
  CursorKey,  // index 0 left, 1 right
  SendKnob,   // index 0..4 = Send A..E
  PanKnob,
  JogWheel,
  Footswitch,
  Lamp,   // a light without a control: play, 0x57, 0x5B, 0x5C
  Arrow,  // pick-up arrows: index 0 up, 1 down
  Digit,  // display digits: index 0 left (high), 1 right (low)
};

struct Control {
  const char* name;   // the one name: "mute", "F1", "arrow up"
  const char* alias;  // another spelling in use, or null
  ControlKind kind;
  Kind drawn;
  int index;            // window position 0 for strip rows; F-key number, knob or arrow index
  uint8_t status;       // what the control sends; 0 for a light without a control
  uint8_t controller;   // the address, or the first address of a per-strip row
  Address light;        // the light it shows; absent for controls without one
  const char* caption;  // what is printed on or beside it
  Rect place;           // where it sits (a strip row: position 0)
  bool perStrip;
  bool sharesLight;  // the light's address is also another row's (the store key's light)

  constexpr Address Input() const { return {status, controller}; }
};

// Every row, in drawing order.
std::span<const Control> Controls();

// The surface's outline, and where a row sits at a window position.
Rect SurfaceBounds();
Rect PlaceOf(const Control& control, int position);

// Case-insensitive comparison of two names.
bool SameWord(const std::string& a, const std::string& b);

// A control that sends, by its name or alias ("mute", "F1", "A",
// "footswitch"), case-insensitively. Null when there is none.
const Control* FindControl(const std::string& name);

// A row with a light, by its name or alias ("mute", "record", "up"); a row's
// own name wins over another row's alias. Null when there is none.
const Control* FindLight(const std::string& name);

// A row by the name a window test or the layout gives it: a strip row's
// name (or alias) with its position ("mute 3", "knob-strip 3"), any other
// row's alone ("F1", "send A"); `light` looks among rows with a light. A
// row's own name wins over another's alias. Null when no row is so named.
const Control* FindNamed(const std::string& text, bool light, int* position);

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
