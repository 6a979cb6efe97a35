// The surface's settings: one 30-byte block, which is also the whole stream
// the host stores in its project (no header, version or checksum).
#pragma once

#include <cstddef>
#include <cstdint>

struct SurfaceConfig {
  uint8_t functionKey[9];   // F1..F9: row of the function-command table, 0 = none
  uint8_t sendKnob[5];      // Send A..E: bit 0 = pan (else volume), bits 1..3 = send - 1
  uint8_t locateButtons;    // 0 "Record Automation", else "Position Locate"
  uint8_t footswitch;       // 0 record/stop/undo/redo taps, else record/stop only
  uint8_t cursorLeftRight;  // 0 "Prev / Next Measure", else "Bank Select"
  uint8_t reserved[13];     // not interpreted; kept and written back as loaded
};

inline constexpr size_t CONFIG_SIZE = 30;
static_assert(sizeof(SurfaceConfig) == CONFIG_SIZE, "the stream format is exactly 30 bytes");
static_assert(offsetof(SurfaceConfig, sendKnob) == 9);
static_assert(offsetof(SurfaceConfig, locateButtons) == 14);
static_assert(offsetof(SurfaceConfig, footswitch) == 15);
static_assert(offsetof(SurfaceConfig, cursorLeftRight) == 16);
static_assert(offsetof(SurfaceConfig, reserved) == 17);

// Byte positions in the block.
inline constexpr size_t CONFIG_FUNCTION_KEY = 0;  // + 0..8
inline constexpr size_t CONFIG_SEND_KNOB = 9;     // + 0..4
inline constexpr size_t CONFIG_LOCATE_BUTTONS = 14;
inline constexpr size_t CONFIG_FOOTSWITCH = 15;
inline constexpr size_t CONFIG_CURSOR_LEFT_RIGHT = 16;
inline constexpr size_t CONFIG_SETTINGS_SIZE = 17;  // bytes 0..16 have defaults; 17..29 are reserved

// Defaults of bytes 0..16 (the reserved bytes default to 0):
// F1 "Ins. Marker", F2 "Prev Marker", F3 "Next Marker", F4 "Undo", F5 "Snap",
// F6 "Punch In", F7 "Punch Out", F8 "Rec. Mode Ovr", F9 "Redo"; sends A..E the
// volumes of sends 1..5; "Position Locate"; footswitch with undo and redo
// taps; cursor keys move by measure.
inline constexpr uint8_t DEFAULT_SETTINGS[CONFIG_SETTINGS_SIZE] = {3, 36, 37, 1, 10, 38, 39, 40, 2,
                                                                   0, 2,  4,  6, 8,  1,  0,  0};
