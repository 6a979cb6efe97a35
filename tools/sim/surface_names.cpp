#include "surface_names.h"

#include <cctype>
#include <cstdio>

#include "midi_map.h"

using namespace midi;

namespace sim {
namespace {

constexpr Control kControls[] = {
    {"fader", ControlKind::Fader, STATUS_CH16, CC_FADER_FIRST, true},
    {"mute", ControlKind::LatchButton, STATUS_CH14, CC_MUTE_FIRST, true},
    {"arm", ControlKind::LatchButton, STATUS_CH14, CC_REC_ARM_FIRST, true},
    {"solo", ControlKind::LatchButton, STATUS_CH14, CC_SOLO_FIRST, true},
    {"auto", ControlKind::LatchButton, STATUS_CH14, CC_AUTO_ARM_FIRST, true},
    // The automation-arm row doubles as the locate buttons ("Position Locate").
    {"locate", ControlKind::LatchButton, STATUS_CH14, CC_AUTO_ARM_FIRST, true},
    {"select", ControlKind::StripButton, STATUS_CH15, CC_SELECT_FIRST, true},
    {"knobstrip", ControlKind::StripButton, STATUS_CH15, CC_KNOB_STRIP_FIRST, true},
    {"store", ControlKind::Key, STATUS_CH15, CC_STORE_KEY, false},
    {"F1", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 0, false},
    {"F2", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 1, false},
    {"F3", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 2, false},
    {"F4", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 3, false},
    {"F5", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 4, false},
    {"F6", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 5, false},
    {"F7", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 6, false},
    {"F8", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 7, false},
    {"F9", ControlKind::Key, STATUS_CH15, CC_FUNCTION_F1 + 8, false},
    // The five transport keys, named after what this host's commands do.
    {"rewind", ControlKind::Key, STATUS_CH15, CC_TRANSPORT_FIRST + 0, false},
    {"play", ControlKind::Key, STATUS_CH15, CC_TRANSPORT_FIRST + 1, false},
    {"forward", ControlKind::Key, STATUS_CH15, CC_TRANSPORT_FIRST + 2, false},
    {"stop", ControlKind::Key, STATUS_CH15, CC_TRANSPORT_FIRST + 3, false},
    {"record", ControlKind::Key, STATUS_CH15, CC_TRANSPORT_LAST, false},
    {"key50", ControlKind::Key, STATUS_CH15, CC_UNUSED_KEY_FIRST, false},
    {"key51", ControlKind::Key, STATUS_CH15, CC_UNUSED_KEY_LAST, false},
    {"up", ControlKind::Key, STATUS_CH15, CC_UP_KEY, false},
    {"down", ControlKind::Key, STATUS_CH15, CC_DOWN_KEY, false},
    {"left", ControlKind::Key, STATUS_CH15, CC_CURSOR_LEFT, false},
    {"right", ControlKind::Key, STATUS_CH15, CC_CURSOR_RIGHT, false},
    {"footswitch", ControlKind::Key, STATUS_CH16, CC_FOOTSWITCH, false},
    {"jog", ControlKind::Jog, STATUS_CH16, CC_JOG_WHEEL, false},
    {"pan", ControlKind::Knob, STATUS_CH16, CC_PAN_KNOB, false},
    {"A", ControlKind::Knob, STATUS_CH16, CC_SEND_A, false},
    {"B", ControlKind::Knob, STATUS_CH16, CC_SEND_B, false},
    {"C", ControlKind::Knob, STATUS_CH16, CC_SEND_C, false},
    {"D", ControlKind::Knob, STATUS_CH16, CC_SEND_D, false},
    {"E", ControlKind::Knob, STATUS_CH16, CC_SEND_E, false},
};

constexpr Light kLights[] = {
    {"mute", STATUS_CH14, LED_MUTE, true},
    {"arm", STATUS_CH14, LED_REC_ARM, true},
    {"solo", STATUS_CH14, LED_SOLO, true},
    {"auto", STATUS_CH14, LED_AUTO_ARM, true},
    {"locate", STATUS_CH14, LED_AUTO_ARM, true},
    {"select", STATUS_CH15, LED_SELECT, true},
    {"knobstrip", STATUS_CH15, LED_KNOB_STRIP, true},
    {"store", STATUS_CH14, LED_STORE, false},
    {"record", STATUS_CH15, LED_RECORD, false},
    {"play", STATUS_CH15, LED_PLAY, false},
    {"led57", STATUS_CH15, LED_TRANSPORT_57, false},
    {"led5b", STATUS_CH15, LED_5B, false},
    {"led5c", STATUS_CH15, LED_5C, false},
    {"up", STATUS_CH15, LED_ARROW_UP, false},
    {"down", STATUS_CH15, LED_ARROW_DOWN, false},
};

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

const Control* FindControl(const std::string& name) {
  for (const Control& control : kControls)
    if (SameWord(control.name, name)) return &control;
  return nullptr;
}

const Light* FindLight(const std::string& name) {
  for (const Light& light : kLights)
    if (SameWord(light.name, name)) return &light;
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
  if (status == STATUS_CH16) {
    if (cc <= CC_FADER_LAST) return Format("fader %d = %d", cc, value);
    if (cc >= CC_SEND_C && cc <= CC_SEND_B) return Format("send knob %c = %d", "ABCDE"[SendKnobIndex(cc)], value);
    if (cc == CC_PAN_KNOB) return Format("pan knob = %d", value);
    if (cc == CC_FOOTSWITCH) return KeyPressed(value) ? "footswitch press" : "footswitch release";
    if (cc == CC_JOG_WHEEL) return JogValueValid(value) ? Format("jog %+d", JogDetents(value)) : "jog (no turn)";
    return "";
  }
  if (status == STATUS_CH15) {
    if (cc <= CC_KNOB_STRIP_LAST) return Format("knob-strip button %d ", cc) + OnOff(value, BUTTON_ON_MIN);
    if (cc <= CC_SELECT_LAST) return Format("select %d ", cc - CC_SELECT_FIRST) + OnOff(value, BUTTON_ON_MIN);
    for (const Control& control : kControls)
      if (control.status == STATUS_CH15 && !control.perStrip && control.controller == cc)
        return std::string(control.name) + (KeyPressed(value) ? " press" : " release");
    return "";
  }
  if (status == STATUS_CH14) {
    static const char* const kRows[] = {"mute", "record arm", "solo", "auto arm / locate"};
    return std::string(kRows[cc / STRIPS_PER_BANK & 3]) + Format(" %d ", cc % STRIPS_PER_BANK) +
           OnOff(value, BUTTON_ON_MIN);
  }
  return "";
}

std::string DescribeOutgoing(uint8_t status, uint8_t cc, uint8_t value) {
  const char* state = value ? "on" : "off";
  if (status == STATUS_CH14) {
    static const char* const kRows[] = {"mute", "record-arm", "solo", "auto-arm / locate"};
    return std::string(kRows[cc / STRIPS_PER_BANK & 3]) + Format(" LED %d ", cc % STRIPS_PER_BANK) + state;
  }
  if (status != STATUS_CH15) return "";
  if (cc <= CC_KNOB_STRIP_LAST) return Format("knob-strip LED %d ", cc) + state;
  if (cc <= CC_SELECT_LAST) return Format("select LED %d ", cc - LED_SELECT) + state;
  if (cc == DIGIT_LEFT || cc == DIGIT_RIGHT)
    return std::string("display ") + (cc == DIGIT_LEFT ? "left" : "right") + " \"" + DigitChar(value) + "\"";
  if (cc == LED_ARROW_UP) return std::string("arrow up ") + state;
  if (cc == LED_ARROW_DOWN) return std::string("arrow down ") + state;
  for (const Light& light : kLights)
    if (light.status == STATUS_CH15 && !light.perStrip && light.controller == cc)
      return std::string(light.name) + " LED " + state;
  return "";
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
