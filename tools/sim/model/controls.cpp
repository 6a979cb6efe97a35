#include "model/controls.h"

#include <cctype>
#include <cstdio>

#include "midi_map.h"

using namespace midi;

namespace sim {
namespace {

// The strip section: 32 columns in four groups of eight, button rows above
// the faders. The right-hand section holds the display, knobs and keys.
constexpr int STRIP_LEFT = 68;
constexpr int STRIP_PITCH = 32;
constexpr int GROUP_GAP = 10;
constexpr int BUTTON_W = 24, BUTTON_H = 14;
constexpr int FADER_TOP = 196, FADER_H = 280;
constexpr int R = 1150;  // left edge of the right-hand section
constexpr int SURFACE_W = 1500, SURFACE_H = 510;

constexpr int StripX(int p) {
  return STRIP_LEFT + p * STRIP_PITCH + (p / 8) * GROUP_GAP + (STRIP_PITCH - BUTTON_W) / 2;
}

constexpr Address None{};
constexpr Address Ch15(uint8_t cc) { return {STATUS_CH15, cc}; }

// A row of strip buttons, or the faders: position 0's addresses and place.
constexpr Control StripRow(const char* name, const char* alias, ControlKind kind, Kind drawn, uint8_t status,
                           uint8_t first, uint8_t led, const char* caption, int top) {
  return {name, alias, kind, drawn, 0, status, first, {status, led}, caption, {StripX(0), top, BUTTON_W, BUTTON_H},
          true, false};
}
constexpr Control Light(const char* name, const char* alias, Kind drawn, int index, uint8_t led, const char* caption,
                        Rect place) {
  return {name, alias, ControlKind::Light, drawn, index, 0, 0, Ch15(led), caption, place, false, false};
}
constexpr Control Knob(const char* name, const char* alias, Kind drawn, int index, uint8_t cc, const char* caption,
                       int x) {
  return {name, alias, ControlKind::Knob, drawn, index, STATUS_CH16, cc, None, caption, {x, 162, 36, 36}, false, false};
}
constexpr Control Key(const char* name, const char* alias, Kind drawn, int index, uint8_t cc, const char* caption,
                      Rect place, Address light = None) {
  return {name, alias, ControlKind::Key, drawn, index, STATUS_CH15, cc, light, caption, place, false, false};
}
constexpr Control FKey(int f, const char* name) {
  return Key(name, nullptr, Kind::FunctionKey, f, static_cast<uint8_t>(CC_FUNCTION_F1 + f - 1), name,
             {R + (f - 1) * 36, 230, 30, 24});
}
constexpr Control Transport(int t, const char* name, const char* alias, const char* caption) {
  const auto cc = static_cast<uint8_t>(CC_TRANSPORT_FIRST + t);
  return Key(name, alias, Kind::TransportKey, t, cc, caption, {R + t * 66, 288, 58, 30},
             cc == LED_RECORD ? Ch15(LED_RECORD) : None);
}

// A row of its own kind, every field given.
constexpr Control Own(const char* name, ControlKind kind, Kind drawn, uint8_t status, uint8_t cc, Address light,
                      const char* caption, Rect place, bool perStrip = false, bool sharesLight = false) {
  return {name, nullptr, kind, drawn, 0, status, cc, light, caption, place, perStrip, sharesLight};
}

constexpr Control kControls[] = {
    StripRow("knobstrip", "knob-strip", ControlKind::StripButton, Kind::KnobStripButton, STATUS_CH15,
             CC_KNOB_STRIP_FIRST, LED_KNOB_STRIP, "KNOB", 62),
    StripRow("select", nullptr, ControlKind::StripButton, Kind::SelectButton, STATUS_CH15, CC_SELECT_FIRST, LED_SELECT,
             "SELECT", 82),
    // The automation-arm row doubles as the locate buttons ("Position Locate").
    StripRow("auto", "locate", ControlKind::LatchButton, Kind::AutoArmButton, STATUS_CH14, CC_AUTO_ARM_FIRST,
             LED_AUTO_ARM, "AUTO/LOC", 110),
    StripRow("arm", nullptr, ControlKind::LatchButton, Kind::RecArmButton, STATUS_CH14, CC_REC_ARM_FIRST, LED_REC_ARM,
             "REC ARM", 130),
    StripRow("solo", nullptr, ControlKind::LatchButton, Kind::SoloButton, STATUS_CH14, CC_SOLO_FIRST, LED_SOLO, "SOLO",
             150),
    StripRow("mute", nullptr, ControlKind::LatchButton, Kind::MuteButton, STATUS_CH14, CC_MUTE_FIRST, LED_MUTE, "MUTE",
             170),
    Own("fader", ControlKind::Fader, Kind::Fader, STATUS_CH16, CC_FADER_FIRST, None, "",
        {StripX(0), FADER_TOP, BUTTON_W, FADER_H}, true),

    // The display: two digits, the pick-up arrows, and two lights only ever darkened.
    Light("display left", "digit left", Kind::Digit, 0, DIGIT_LEFT, "", {R + 12, 58, 36, 62}),
    Light("display right", "digit right", Kind::Digit, 1, DIGIT_RIGHT, "", {R + 54, 58, 36, 62}),
    Light("arrow up", "up", Kind::Arrow, 0, LED_ARROW_UP, "", {R + 106, 62, 26, 22}),
    Light("arrow down", "down", Kind::Arrow, 1, LED_ARROW_DOWN, "", {R + 106, 94, 26, 22}),
    Light("led5b", "lamp 5B", Kind::Lamp, 0, LED_5B, "5B", {R + 146, 67, 20, 10}),
    Light("led5c", "lamp 5C", Kind::Lamp, 0, LED_5C, "5C", {R + 146, 100, 20, 10}),

    // Knobs, in the order printed on the surface; the wire order starts at Send C.
    Knob("A", "send A", Kind::SendKnob, 0, CC_SEND_A, "A", R + 4),
    Knob("B", "send B", Kind::SendKnob, 1, CC_SEND_B, "B", R + 4 + 52),
    Knob("C", "send C", Kind::SendKnob, 2, CC_SEND_C, "C", R + 4 + 2 * 52),
    Knob("D", "send D", Kind::SendKnob, 3, CC_SEND_D, "D", R + 4 + 3 * 52),
    Knob("E", "send E", Kind::SendKnob, 4, CC_SEND_E, "E", R + 4 + 4 * 52),
    Knob("pan", nullptr, Kind::PanKnob, 0, CC_PAN_KNOB, "PAN", R + 4 + 5 * 52 + 6),

    FKey(1, "F1"),
    FKey(2, "F2"),
    FKey(3, "F3"),
    FKey(4, "F4"),
    FKey(5, "F5"),
    FKey(6, "F6"),
    FKey(7, "F7"),
    FKey(8, "F8"),
    FKey(9, "F9"),

    // Transport: the play light and light 0x57 above the five keys, named by
    // what this host's commands do (18 rewind, 16 play, 36 forward, 170 stop,
    // 17 record); the record key carries the record light.
    Light("led58", "play", Kind::Lamp, 0, LED_PLAY, "PLAY", {R + 36, 270, 24, 10}),
    Light("led57", "lamp 57", Kind::Lamp, 0, LED_TRANSPORT_57, "57", {R + 102, 270, 24, 10}),
    Transport(0, "rewind", nullptr, "REW"),
    Transport(1, "play", "key 4C", "CMD 16"),
    Transport(2, "forward", "key 4D", "CMD 36"),
    Transport(3, "stop", nullptr, "STOP"),
    Transport(4, "record", nullptr, "REC"),

    // Keys: store (its light shares the solo light of position 1 on the wire),
    // the two keys without a function, the cursor cross, the footswitch jack.
    Own("store", ControlKind::Key, Kind::StoreKey, STATUS_CH15, CC_STORE_KEY, {STATUS_CH14, LED_STORE}, "STORE",
        {R, 346, 58, 28}, false, true),
    Key("key50", "key 50", Kind::UnusedKey, 0, CC_UNUSED_KEY_FIRST, "", {R, 384, 58, 20}),
    Key("key51", "key 51", Kind::UnusedKey, 1, CC_UNUSED_KEY_LAST, "", {R, 412, 58, 20}),
    Key("up", nullptr, Kind::UpKey, 0, CC_UP_KEY, "UP", {R + 108, 346, 36, 28}),
    Key("left", nullptr, Kind::CursorKey, 0, CC_CURSOR_LEFT, "<", {R + 68, 380, 36, 28}),
    Key("right", nullptr, Kind::CursorKey, 1, CC_CURSOR_RIGHT, ">", {R + 148, 380, 36, 28}),
    Key("down", nullptr, Kind::DownKey, 0, CC_DOWN_KEY, "DOWN", {R + 108, 414, 36, 28}),
    Own("jog", ControlKind::Jog, Kind::JogWheel, STATUS_CH16, CC_JOG_WHEEL, None, "JOG", {R + 212, 342, 116, 116}),
    Own("footswitch", ControlKind::Key, Kind::Footswitch, STATUS_CH16, CC_FOOTSWITCH, None, "FOOT", {R, 448, 58, 28}),
};

bool Named(const Control& row, const std::string& name, bool alias) {
  return SameWord(row.name, name) || (alias && row.alias != nullptr && SameWord(row.alias, name));
}

// The row at an address and, for a strip row, the position.
const Control* AtInput(uint8_t status, uint8_t cc, int* position) {
  for (const Control& row : kControls) {
    const int offset = cc - row.controller;
    if (row.status == status && (row.perStrip ? offset >= 0 && offset < STRIPS_PER_BANK : offset == 0)) {
      *position = offset;
      return &row;
    }
  }
  return nullptr;
}

const Control* AtLight(uint8_t status, uint8_t cc, int* position) {
  for (const Control& row : kControls) {
    const int offset = cc - row.light.controller;
    if (row.light.status == status && (row.perStrip ? offset >= 0 && offset < STRIPS_PER_BANK : offset == 0)) {
      *position = offset;
      return &row;
    }
  }
  return nullptr;
}

std::string Format(const char* format, int a, int b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

const char* OnOff(uint8_t value, uint32_t threshold) { return value >= threshold ? "on" : "off"; }

}  // namespace

bool SameWord(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::span<const Control> Controls() { return kControls; }

Rect SurfaceBounds() { return {0, 0, SURFACE_W, SURFACE_H}; }

Rect PlaceOf(const Control& control, int position) {
  Rect place = control.place;
  if (control.perStrip) place.x = StripX(position);
  return place;
}

const Control* FindControl(const std::string& name) {
  for (const Control& row : kControls)
    if (row.status != 0 && Named(row, name, true)) return &row;
  return nullptr;
}

const Control* FindLight(const std::string& name) {
  for (bool alias : {false, true})
    for (const Control& row : kControls)
      if (row.light.Present() && Named(row, name, alias)) return &row;
  return nullptr;
}

const Control* FindNamed(const std::string& text, bool light, int* position) {
  std::string word;
  int at = -1;
  const size_t space = text.rfind(' ');
  if (space != std::string::npos && space + 1 < text.size() && text.size() - space - 1 <= 2 &&
      text.find_first_not_of("0123456789", space + 1) == std::string::npos) {
    word = text.substr(0, space);
    at = std::stoi(text.substr(space + 1));
  }
  for (bool alias : {false, true})
    for (const Control& row : kControls) {
      if (light && !row.light.Present()) continue;
      const bool named =
          row.perStrip ? at >= 0 && at < STRIPS_PER_BANK && Named(row, word, alias) : Named(row, text, alias);
      if (named) {
        *position = row.perStrip ? at : 0;
        return &row;
      }
    }
  return nullptr;
}

char DigitChar(uint8_t segments) {
  if (segments == SEGMENT_BLANK) return ' ';
  if (segments == SEGMENT_DASH) return '-';
  for (int digit = 0; digit < 16; ++digit)
    if (SEGMENT_PATTERNS[digit] == segments) return "0123456789AbCdEF"[digit];
  return '?';
}

std::string DescribeIncoming(uint8_t status, uint8_t cc, uint8_t value) {
  int position = 0;
  const Control* row = AtInput(status, cc, &position);
  if (row == nullptr) return "";
  switch (row->kind) {
    case ControlKind::Fader:
      return Format("fader %d = %d", position, value);
    case ControlKind::Knob:
      return std::string("knob ") + row->name + Format(" = %d", value);
    case ControlKind::Jog:
      return JogValueValid(value) ? Format("jog %+d", JogDetents(value)) : "jog (no turn)";
    case ControlKind::LatchButton:
    case ControlKind::StripButton:
      return row->name + Format(" %d ", position) + OnOff(value, BUTTON_ON_MIN);
    default:
      return std::string(row->name) + (KeyPressed(value) ? " press" : " release");
  }
}

std::string DescribeOutgoing(uint8_t status, uint8_t cc, uint8_t value) {
  int position = 0;
  const Control* row = AtLight(status, cc, &position);
  if (row == nullptr) return "";
  const char* state = value ? "on" : "off";
  if (row->drawn == Kind::Digit) return std::string(row->name) + " \"" + DigitChar(value) + "\"";
  if (row->kind == ControlKind::Light) return std::string(row->name) + " " + state;
  return std::string(row->name) + " LED" + (row->perStrip ? Format(" %d", position) : "") + " " + state;
}

std::string KeyName(uint32_t vk) {
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk));
  if (vk >= '0' && vk <= '9') return std::string(1, static_cast<char>(vk));
  if (vk >= 0x70 && vk <= 0x87) return Format("F%d", static_cast<int>(vk - 0x70 + 1));
  switch (vk) {
    case 0x0D:
      return "Return";
    case 0x10:
      return "Shift";
    case 0x11:
      return "Ctrl";
    case 0x12:
      return "Alt";
    case 0x26:
      return "Up";
    case 0x28:
      return "Down";
    case 0x25:
      return "Left";
    case 0x27:
      return "Right";
    case 0x2D:
      return "Insert";
    case 0xBC:
      return "Comma";
    default:
      return Format("VK%02X", static_cast<int>(vk));
  }
}

}  // namespace sim
