// The surface's MIDI vocabulary, in one place: how a short message is packed,
// what every controller means in each direction, value thresholds, scaling,
// the display's segment code and the shuttle message. Input decoding, the
// refresh, the switch-off sweep and the tests all read these names.
#pragma once

#include <cmath>
#include <cstdint>

#include "win_compat.h"

namespace midi {

// --- Message word -----------------------------------------------------------
// Status in bits 0..7, controller in bits 8..15, value in bits 16..23. Incoming
// bytes are taken whole (not masked to 7 bits); bits 24..31 are ignored.
struct ShortMessage {
  uint8_t status;
  uint8_t controller;
  uint8_t value;
};

constexpr DWORD Pack(uint8_t status, uint8_t controller, uint8_t value) {
  return static_cast<DWORD>(status) | (static_cast<DWORD>(controller) << 8) | (static_cast<DWORD>(value) << 16);
}

constexpr ShortMessage Unpack(DWORD word) {
  return {static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>((word >> 8) & 0xFF),
          static_cast<uint8_t>((word >> 16) & 0xFF)};
}

// --- Channels ---------------------------------------------------------------
constexpr uint8_t STATUS_CH14 = 0xBD;  // strip buttons (mute, arm, solo, auto-arm/locate) and their LEDs
constexpr uint8_t STATUS_CH15 = 0xBE;  // keys, knob-strip and select buttons; their LEDs, arrows, digits
constexpr uint8_t STATUS_CH16 = 0xBF;  // in only: faders, knobs, footswitch, jog

// --- Window -----------------------------------------------------------------
constexpr int STRIPS_PER_BANK = 32;
constexpr int BANK_COUNT = 4;
constexpr int HOST_STRIP_LIMIT = STRIPS_PER_BANK * BANK_COUNT;  // 128

// --- Channel 16 in (0xBF) -----------------------------------------------------
constexpr uint8_t CC_FADER_FIRST = 0x00;  // fader at window position = controller
constexpr uint8_t CC_FADER_LAST = 0x1F;
constexpr uint8_t CC_SEND_C = 0x40;
constexpr uint8_t CC_SEND_D = 0x41;
constexpr uint8_t CC_SEND_E = 0x42;
constexpr uint8_t CC_SEND_A = 0x43;
constexpr uint8_t CC_SEND_B = 0x44;
constexpr uint8_t CC_PAN_KNOB = 0x45;
constexpr uint8_t CC_FOOTSWITCH = 0x56;
constexpr uint8_t CC_JOG_WHEEL = 0x60;

// --- Channel 15 in (0xBE) -----------------------------------------------------
constexpr uint8_t CC_KNOB_STRIP_FIRST = 0x00;  // knob-strip button of position = controller
constexpr uint8_t CC_KNOB_STRIP_LAST = 0x1F;
constexpr uint8_t CC_SELECT_FIRST = 0x20;  // select button of position = controller - 0x20
constexpr uint8_t CC_SELECT_LAST = 0x3F;
constexpr uint8_t CC_STORE_KEY = 0x41;
constexpr uint8_t CC_FUNCTION_F1 = 0x42;  // F1..F9 = 0x42..0x4A
constexpr uint8_t CC_FUNCTION_F9 = 0x4A;
constexpr uint8_t CC_TRANSPORT_FIRST = 0x4B;  // 0x4B..0x4F
constexpr uint8_t CC_TRANSPORT_LAST = 0x4F;
constexpr uint8_t CC_UNUSED_KEY_FIRST = 0x50;  // 0x50, 0x51: keys without a function
constexpr uint8_t CC_UNUSED_KEY_LAST = 0x51;
constexpr uint8_t CC_UP_KEY = 0x52;
constexpr uint8_t CC_DOWN_KEY = 0x53;
constexpr uint8_t CC_CURSOR_LEFT = 0x54;
constexpr uint8_t CC_CURSOR_RIGHT = 0x55;

// --- Channel 14 in (0xBD) -----------------------------------------------------
constexpr uint8_t CC_MUTE_FIRST = 0x00;      // mute of position = controller
constexpr uint8_t CC_REC_ARM_FIRST = 0x20;   // record arm of position = controller - 0x20
constexpr uint8_t CC_SOLO_FIRST = 0x40;      // solo of position = controller - 0x40
constexpr uint8_t CC_AUTO_ARM_FIRST = 0x60;  // automation arm, or locate button, = controller - 0x60
constexpr uint8_t CC_AUTO_ARM_LAST = 0x7F;

// --- LEDs, arrows and digits out ------------------------------------------
// Channel 14 (0xBD), per window position p: the strip-button LEDs.
constexpr uint8_t LED_MUTE = 0x00;
constexpr uint8_t LED_REC_ARM = 0x20;
constexpr uint8_t LED_SOLO = 0x40;
constexpr uint8_t LED_AUTO_ARM = 0x60;  // also the locate button LEDs
// Sent with value 127 when the store key goes down. On the wire it is the
// same address as the solo LED of position 1; the hardware shares it.
constexpr uint8_t LED_STORE = 0x41;

// Channel 15 (0xBE).
constexpr uint8_t LED_KNOB_STRIP = 0x00;  // + p
constexpr uint8_t LED_SELECT = 0x20;      // + p
constexpr uint8_t LED_RECORD = 0x4F;
constexpr uint8_t LED_TRANSPORT_57 = 0x57;  // only ever darkened
constexpr uint8_t LED_PLAY = 0x58;
constexpr uint8_t LED_ARROW_UP = 0x59;    // the host's value lies above the control
constexpr uint8_t LED_ARROW_DOWN = 0x5A;  // the host's value lies below the control
constexpr uint8_t LED_5B = 0x5B;          // only ever darkened
constexpr uint8_t LED_5C = 0x5C;          // only ever darkened
constexpr uint8_t DIGIT_LEFT = 0x5D;
constexpr uint8_t DIGIT_RIGHT = 0x5E;

constexpr uint8_t LED_ON = 127;
constexpr uint8_t LED_OFF = 0;

// --- LED cache bits (CTavrel::m_stripLeds, per absolute strip) -------------
constexpr uint8_t LEDBIT_REC_ARM = 0x01;
constexpr uint8_t LEDBIT_MUTE = 0x02;
constexpr uint8_t LEDBIT_AUTO_ARM = 0x04;
constexpr uint8_t LEDBIT_SOLO = 0x08;
constexpr uint8_t LEDBIT_SELECT = 0x10;
constexpr uint8_t LEDBIT_KNOB_STRIP = 0x20;

// --- Value thresholds -------------------------------------------------------
// State-carrying buttons (mute, solo, arms, select, knob strip): 63 and up is on.
constexpr uint32_t BUTTON_ON_MIN = 63;
// Momentary keys (transport, store, function, up/down, cursor, footswitch):
// 64 and up is a press.
constexpr uint32_t KEY_PRESS_MIN = 64;

constexpr bool ButtonOn(uint32_t value) { return value >= BUTTON_ON_MIN; }
constexpr bool KeyPressed(uint32_t value) { return value >= KEY_PRESS_MIN; }

// --- Scaling ----------------------------------------------------------------
// The single-precision number nearest 1/127.
constexpr float LEVEL_PER_STEP = 0.007874016f;

// 7-bit value to host level, in single precision (0 -> 0.0, 127 -> 1.0).
constexpr float ValueToLevel(uint32_t value) { return static_cast<float>(value) * LEVEL_PER_STEP; }

// A level the host may be given: values above 127 (bytes are taken whole)
// would exceed 1.0, so the level is clamped.
constexpr float ClampedLevel(uint32_t value) { return value >= 127 ? 1.0f : ValueToLevel(value); }

// A switch-like host parameter (mute, solo, record arm) lights its LED above
// half way; exactly 0.5 is off.
constexpr float SWITCH_ON_ABOVE = 0.5f;
constexpr bool SwitchOn(float level) { return level > SWITCH_ON_ABOVE; }
// Switch values written to the host.
constexpr float SWITCH_ON = 1.0f;
constexpr float SWITCH_OFF = 0.0f;

// Host level in 0.0..1.0 to a 7-bit value, rounding halves up. Levels outside
// that range (or NaN) have no 7-bit value; each reader decides what to do.
inline bool LevelInRange(float level) { return level >= 0.0f && level <= 1.0f; }
inline int LevelToValue(float level) { return static_cast<int>(level * 127.0f + 0.5f); }

// --- Display ----------------------------------------------------------------
// Bit 0 segment a (top), 1 b, 2 c, 3 d (bottom), 4 e, 5 f, 6 g (middle).
constexpr uint8_t SEGMENT_PATTERNS[16] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                          0x7F, 0x67, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
constexpr uint8_t SEGMENT_DASH = 0x40;
constexpr uint8_t SEGMENT_BLANK = 0x00;

constexpr uint8_t HighDigit(uint8_t bits) { return SEGMENT_PATTERNS[(bits >> 4) & 0xF]; }
constexpr uint8_t LowDigit(uint8_t bits) { return SEGMENT_PATTERNS[bits & 0xF]; }

// --- Jog wheel --------------------------------------------------------------
// Relative: 0..63 is that many detents forward, 64..127 is value - 127 (so 127
// is none and 64 is 63 back). Values above 127 are no turn of the wheel.
constexpr bool JogValueValid(uint32_t value) { return value <= 127; }
constexpr int JogDetents(uint32_t value) {
  return value <= 63 ? static_cast<int>(value) : static_cast<int>(value) - 127;
}

// A turn moves the now time by the step of its detent count; more than nine
// detents per message move no faster than nine. Store mode multiplies by ten.
constexpr int JOG_MAX_DETENTS = 9;
constexpr int32_t JOG_STEPS[JOG_MAX_DETENTS + 1] = {0, 1, 5, 10, 20, 100, 300, 800, 1600, 3200};
constexpr int32_t JOG_STORE_MODE_FACTOR = 10;

// --- Pan and send knobs -----------------------------------------------------
// The knob index (Send A..E = 0..4) of a send-knob controller 0x40..0x44; the
// wire order starts at Send C.
constexpr int SEND_KNOB_COUNT = 5;
constexpr int SendKnobIndex(uint8_t controller) {
  constexpr int kIndexFromC[SEND_KNOB_COUNT] = {2, 3, 4, 0, 1};
  return kIndexFromC[static_cast<unsigned>(controller - CC_SEND_C) % SEND_KNOB_COUNT];
}
// A knob measures itself against this value while the host's level is out of
// 0.0..1.0 (or not a number).
constexpr int KNOB_VALUE_FOR_BAD_LEVEL = 63;

// --- Locate buttons ----------------------------------------------------------
constexpr int LOCATE_SLOT_COUNT = 32;
// Locate button 0 hit this soon after the store key's release still stores.
constexpr uint32_t LOCATE_STORE_GRACE_MS = 100;

// --- Footswitch -------------------------------------------------------------
// Undo and redo taps count only this soon after the stop tap.
constexpr uint32_t FOOT_TAP_WINDOW_MS = 2000;

// --- Shuttle (MIDI Machine Control, device 0) -------------------------------
constexpr uint32_t SHUTTLE_LENGTH = 10;
constexpr uint8_t SHUTTLE_HEADER[6] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03};
constexpr int SHUTTLE_MAX_MOVE = 8191;

// Decodes the exact 10-byte shuttle message into a signed move (-8191..8191).
// Anything else, including data bytes with bit 7 set, is no shuttle command.
inline bool DecodeShuttle(const BYTE* bytes, DWORD length, int32_t* move) {
  if (bytes == nullptr || length != SHUTTLE_LENGTH) return false;
  for (unsigned i = 0; i < sizeof SHUTTLE_HEADER; ++i)
    if (bytes[i] != SHUTTLE_HEADER[i]) return false;
  const uint8_t hi = bytes[6], lo = bytes[7];
  if (hi >= 0x80 || lo >= 0x80) return false;
  *move = hi <= 63 ? hi * 128 + lo : -((hi - 64) * 128 + lo);
  return true;
}

}  // namespace midi
