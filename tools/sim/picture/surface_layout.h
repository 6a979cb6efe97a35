// The one layout table of the surface: where every control and light sits,
// what a script calls it, and the MIDI addresses it sends from and lights at.
// The snapshot pictures, the simulator's window and its hit-testing of clicks
// all read this table; controller numbers come only from the MIDI map.
#pragma once

#include <cstdint>
#include <vector>

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
  bool Present() const { return status != 0; }
  bool operator==(const Address&) const = default;
};

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

struct LayoutRow {
  Kind kind;
  int index;         // window position, F-key number, knob or arrow index (see Kind)
  char name[16];     // what a script calls it: "mute 3", "F1", "store", "left", "send A"
  char label[8];     // what is printed on or beside it on the surface
  Rect rect;         // the control (or the light, for lights without a control)
  Address input;     // what the control sends; absent for lights
  Address light;     // the light it shows; absent for controls without one
  bool sharesLight;  // the light's address is also another row's (the store key's light)
};

// Every control and light of the surface, in drawing order. Names (N is the
// window position 0..31): "knob-strip N", "select N", "auto N", "arm N",
// "solo N", "mute N", "fader N"; "digit left", "digit right", "arrow up",
// "arrow down", "lamp 5B", "lamp 5C"; "send A".."send E", "pan"; "F1".."F9";
// "play", "lamp 57"; "rewind", "key 4C", "key 4D", "stop", "record"; "store",
// "key 50", "key 51", "up", "left", "right", "down", "jog", "footswitch".
const std::vector<LayoutRow>& SurfaceLayout();

// The surface's outline in the same coordinates.
Rect SurfaceBounds();

// The row under a point, or null; lights without a control are rows too (no
// input). Rows never overlap, so at most one matches.
const LayoutRow* HitTest(int x, int y);

// The row a script names ("mute 3", "F1", "pan"), or null.
const LayoutRow* FindRow(const char* name);

// The row that sends from, or lights at, an address; null when none does.
// Several rows may light at one address (the store key's light): the first wins.
const LayoutRow* FindByInput(Address input);
const LayoutRow* FindByLight(Address light);

// A fader's cap at value 0..127 (values above clamp), and the value a point
// at height y on the fader's travel stands for (the window drags with it).
Rect FaderCap(const LayoutRow& fader, int value);
int FaderValueAt(const LayoutRow& fader, int y);

}  // namespace sim
