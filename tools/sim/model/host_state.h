// What the host holds: its mixer and transport, its markers and undo history,
// and the log of commands and key shortcuts the surface asked for. A plain
// value: the host model guards it, the project file stores it, the
// expectations and the soak read it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sim {

inline constexpr int HOST_MAX_STRIPS = 128;
inline constexpr int HOST_SENDS = 8;
// The parameters a strip can arm for automation, by their mixer codes.
inline constexpr uint32_t HOST_ARMABLE[] = {0, 1, 2, 3, 5, 21, 22};
inline constexpr int HOST_ARMABLE_COUNT = 7;
// Ticks of one measure (4/4 at 960 ticks per quarter note).
inline constexpr int64_t MEASURE_TICKS = 3840;
// The host's times in ticks: whole measures either side of zero, short enough
// that stepping to the next measure never leaves a signed 64-bit count.
inline constexpr int64_t HOST_TIME_MAX = (INT64_MAX / MEASURE_TICKS - 1) * MEASURE_TICKS;
inline constexpr int64_t HOST_TIME_MIN = -HOST_TIME_MAX;

struct HostStrip {
  float volume = 0.0f, pan = 0.5f, mute = 0.0f, solo = 0.0f, arm = 0.0f;
  float sendVolume[HOST_SENDS] = {};
  float sendPan[HOST_SENDS] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  bool armed[HOST_ARMABLE_COUNT][HOST_SENDS] = {};
};

// One undoable change of the host.
struct HostEdit {
  enum Kind : uint8_t { Take, Marker, PunchIn, PunchOut } kind;
  int64_t before = 0, after = 0;  // take: its start and end; marker: its time; punch: old and new
};

struct HostState {
  int stripCount = 32;
  bool stripCountFails = false;
  HostStrip strips[HOST_MAX_STRIPS];

  bool playing = false, recording = false, blink = false;
  int64_t now = 0, punchIn = 0, punchOut = 0, recordStart = 0;
  std::vector<int64_t> markers;  // sorted
  int takes = 0;
  std::vector<HostEdit> undo, redo;
  int recordMode = 0;         // 0 overwrite, 1 sound on sound
  int recordModeDialog = -1;  // -1 closed; else the mode chosen in the open dialog
  bool ctrl = false, alt = false, shift = false;

  std::deque<uint32_t> commands;  // run and not yet expected
  std::deque<std::string> keys;   // shortcuts sent and not yet expected
};

}  // namespace sim
