#include "surface_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "midi_map.h"

namespace sim {
namespace {

using namespace midi;

// The strip section: 32 columns in four groups of eight, button rows above
// the faders. The right-hand section holds the display, knobs and keys.
constexpr int STRIP_LEFT = 68;
constexpr int STRIP_PITCH = 32;
constexpr int GROUP_GAP = 10;
constexpr int BUTTON_W = 24, BUTTON_H = 14;
constexpr int ROW_KNOB_STRIP = 62, ROW_SELECT = 82, ROW_AUTO_ARM = 110, ROW_REC_ARM = 130, ROW_SOLO = 150,
              ROW_MUTE = 170;
constexpr int FADER_TOP = 196, FADER_H = 280, FADER_CAP_H = 18;
constexpr int RIGHT = 1150;  // left edge of the right-hand section
constexpr int SURFACE_W = 1500, SURFACE_H = 510;

int StripX(int p) { return STRIP_LEFT + p * STRIP_PITCH + (p / 8) * GROUP_GAP + (STRIP_PITCH - BUTTON_W) / 2; }

// Copies as much of `text` as fits, always terminated: names and labels are
// short by design, and a longer one is cut rather than overrun.
template <size_t N>
void CopyText(char (&out)[N], const char* text) {
  size_t n = 0;
  for (; n + 1 < N && text[n] != '\0'; ++n) out[n] = text[n];
  out[n] = '\0';
}

struct Builder {
  std::vector<LayoutRow> rows;

  LayoutRow& Add(Kind kind, int index, const char* name, const char* label, Rect rect, Address input, Address light) {
    LayoutRow row{};
    row.kind = kind;
    row.index = index;
    CopyText(row.name, name);
    CopyText(row.label, label);
    row.rect = rect;
    row.input = input;
    row.light = light;
    rows.push_back(row);
    return rows.back();
  }

  void StripButtons(Kind kind, const char* word, int top, uint8_t status, uint8_t inFirst, uint8_t ledFirst) {
    for (int p = 0; p < STRIPS_PER_BANK; ++p) {
      char name[16];
      std::snprintf(name, sizeof name, "%s %d", word, p);
      const auto offset = static_cast<uint8_t>(p);
      Add(kind, p, name, "", {StripX(p), top, BUTTON_W, BUTTON_H}, {status, static_cast<uint8_t>(inFirst + offset)},
          {status, static_cast<uint8_t>(ledFirst + offset)});
    }
  }
};

std::vector<LayoutRow> BuildLayout() {
  Builder b;
  b.StripButtons(Kind::KnobStripButton, "knob-strip", ROW_KNOB_STRIP, STATUS_CH15, CC_KNOB_STRIP_FIRST, LED_KNOB_STRIP);
  b.StripButtons(Kind::SelectButton, "select", ROW_SELECT, STATUS_CH15, CC_SELECT_FIRST, LED_SELECT);
  b.StripButtons(Kind::AutoArmButton, "auto", ROW_AUTO_ARM, STATUS_CH14, CC_AUTO_ARM_FIRST, LED_AUTO_ARM);
  b.StripButtons(Kind::RecArmButton, "arm", ROW_REC_ARM, STATUS_CH14, CC_REC_ARM_FIRST, LED_REC_ARM);
  b.StripButtons(Kind::SoloButton, "solo", ROW_SOLO, STATUS_CH14, CC_SOLO_FIRST, LED_SOLO);
  b.StripButtons(Kind::MuteButton, "mute", ROW_MUTE, STATUS_CH14, CC_MUTE_FIRST, LED_MUTE);
  for (int p = 0; p < STRIPS_PER_BANK; ++p) {
    char name[16];
    std::snprintf(name, sizeof name, "fader %d", p);
    b.Add(Kind::Fader, p, name, "", {StripX(p), FADER_TOP, BUTTON_W, FADER_H},
          {STATUS_CH16, static_cast<uint8_t>(CC_FADER_FIRST + p)}, {});
  }

  // The display: two digits, the pick-up arrows, and two lights only ever darkened.
  b.Add(Kind::Digit, 0, "digit left", "", {RIGHT + 12, 58, 36, 62}, {}, {STATUS_CH15, DIGIT_LEFT});
  b.Add(Kind::Digit, 1, "digit right", "", {RIGHT + 54, 58, 36, 62}, {}, {STATUS_CH15, DIGIT_RIGHT});
  b.Add(Kind::Arrow, 0, "arrow up", "", {RIGHT + 106, 62, 26, 22}, {}, {STATUS_CH15, LED_ARROW_UP});
  b.Add(Kind::Arrow, 1, "arrow down", "", {RIGHT + 106, 94, 26, 22}, {}, {STATUS_CH15, LED_ARROW_DOWN});
  b.Add(Kind::Lamp, 0, "lamp 5B", "5B", {RIGHT + 146, 67, 20, 10}, {}, {STATUS_CH15, LED_5B});
  b.Add(Kind::Lamp, 0, "lamp 5C", "5C", {RIGHT + 146, 100, 20, 10}, {}, {STATUS_CH15, LED_5C});

  // Knobs, in the order printed on the surface; the wire order starts at Send C.
  const uint8_t sendCc[SEND_KNOB_COUNT] = {CC_SEND_A, CC_SEND_B, CC_SEND_C, CC_SEND_D, CC_SEND_E};
  for (int k = 0; k < SEND_KNOB_COUNT; ++k) {
    char name[16], label[8];
    std::snprintf(name, sizeof name, "send %c", 'A' + k);
    std::snprintf(label, sizeof label, "%c", 'A' + k);
    b.Add(Kind::SendKnob, k, name, label, {RIGHT + 4 + k * 52, 162, 36, 36}, {STATUS_CH16, sendCc[k]}, {});
  }
  b.Add(Kind::PanKnob, 0, "pan", "PAN", {RIGHT + 4 + 5 * 52 + 6, 162, 36, 36}, {STATUS_CH16, CC_PAN_KNOB}, {});

  for (int f = 1; f <= 9; ++f) {
    char name[16];
    std::snprintf(name, sizeof name, "F%d", f);
    b.Add(Kind::FunctionKey, f, name, name, {RIGHT + (f - 1) * 36, 230, 30, 24},
          {STATUS_CH15, static_cast<uint8_t>(CC_FUNCTION_F1 + f - 1)}, {});
  }

  // Transport: the play light and light 0x57 above the five keys; the record
  // key carries the record light.
  b.Add(Kind::Lamp, 0, "play", "PLAY", {RIGHT + 36, 270, 24, 10}, {}, {STATUS_CH15, LED_PLAY});
  b.Add(Kind::Lamp, 0, "lamp 57", "57", {RIGHT + 102, 270, 24, 10}, {}, {STATUS_CH15, LED_TRANSPORT_57});
  struct TransportKey {
    const char* name;
    const char* label;
  };
  // Host commands 18 (rewind), 16, 36, 170 (stop), 17 (record).
  const TransportKey transport[5] = {
      {"rewind", "REW"}, {"key 4C", "CMD 16"}, {"key 4D", "CMD 36"}, {"stop", "STOP"}, {"record", "REC"}};
  for (int t = 0; t < 5; ++t) {
    const auto cc = static_cast<uint8_t>(CC_TRANSPORT_FIRST + t);
    const Address light = cc == LED_RECORD ? Address{STATUS_CH15, LED_RECORD} : Address{};
    b.Add(Kind::TransportKey, t, transport[t].name, transport[t].label, {RIGHT + t * 66, 288, 58, 30},
          {STATUS_CH15, cc}, light);
  }

  // Keys: store (its light shares the solo light of position 1 on the wire),
  // the two keys without a function, the cursor cross, the footswitch jack.
  b.Add(Kind::StoreKey, 0, "store", "STORE", {RIGHT, 346, 58, 28}, {STATUS_CH15, CC_STORE_KEY},
        {STATUS_CH14, LED_STORE})
      .sharesLight = true;
  b.Add(Kind::UnusedKey, 0, "key 50", "", {RIGHT, 384, 58, 20}, {STATUS_CH15, CC_UNUSED_KEY_FIRST}, {});
  b.Add(Kind::UnusedKey, 1, "key 51", "", {RIGHT, 412, 58, 20}, {STATUS_CH15, CC_UNUSED_KEY_LAST}, {});
  b.Add(Kind::UpKey, 0, "up", "UP", {RIGHT + 108, 346, 36, 28}, {STATUS_CH15, CC_UP_KEY}, {});
  b.Add(Kind::CursorKey, 0, "left", "<", {RIGHT + 68, 380, 36, 28}, {STATUS_CH15, CC_CURSOR_LEFT}, {});
  b.Add(Kind::CursorKey, 1, "right", ">", {RIGHT + 148, 380, 36, 28}, {STATUS_CH15, CC_CURSOR_RIGHT}, {});
  b.Add(Kind::DownKey, 0, "down", "DOWN", {RIGHT + 108, 414, 36, 28}, {STATUS_CH15, CC_DOWN_KEY}, {});
  b.Add(Kind::JogWheel, 0, "jog", "JOG", {RIGHT + 212, 342, 116, 116}, {STATUS_CH16, CC_JOG_WHEEL}, {});
  b.Add(Kind::Footswitch, 0, "footswitch", "FOOT", {RIGHT, 448, 58, 28}, {STATUS_CH16, CC_FOOTSWITCH}, {});
  return b.rows;
}

}  // namespace

const std::vector<LayoutRow>& SurfaceLayout() {
  static const std::vector<LayoutRow> rows = BuildLayout();
  return rows;
}

Rect SurfaceBounds() { return {0, 0, SURFACE_W, SURFACE_H}; }

const LayoutRow* HitTest(int x, int y) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.rect.Contains(x, y)) return &row;
  return nullptr;
}

const LayoutRow* FindRow(const char* name) {
  if (name == nullptr) return nullptr;
  for (const LayoutRow& row : SurfaceLayout())
    if (std::strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

const LayoutRow* FindByInput(Address input) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.input.Present() && row.input == input) return &row;
  return nullptr;
}

const LayoutRow* FindByLight(Address light) {
  for (const LayoutRow& row : SurfaceLayout())
    if (row.light.Present() && row.light == light) return &row;
  return nullptr;
}

// The cap's centre runs from the bottom of the travel (0) to the top (127).
Rect FaderCap(const LayoutRow& fader, int value) {
  const int v = std::clamp(value, 0, 127);
  const int travel = fader.rect.h - FADER_CAP_H;
  const int top = fader.rect.y + travel - (travel * v + 63) / 127;
  return {fader.rect.x, top, fader.rect.w, FADER_CAP_H};
}

int FaderValueAt(const LayoutRow& fader, int y) {
  const int travel = fader.rect.h - FADER_CAP_H;
  const int fromBottom = fader.rect.y + fader.rect.h - FADER_CAP_H / 2 - y;
  return std::clamp((fromBottom * 127 + travel / 2) / travel, 0, 127);
}

}  // namespace sim
