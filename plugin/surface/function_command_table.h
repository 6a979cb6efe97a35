// The 42 rows a function key can be assigned: row 0 runs nothing, rows 1..41
// run host commands, key shortcuts or punch points. The command runner and
// the property page's nine lists both read this one table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_interfaces.h"

namespace fkeys {

enum class StepKind : uint8_t {
  None,
  RunCommand,  // IHostCommands::RunCommand(arg)
  KeyPress,    // SendKey(arg, KEY_PRESS)
  CtrlKey,     // Ctrl down, arg pressed, Ctrl up
  AltKey,      // Alt down, arg pressed, Alt up
  AltScan10,   // Alt + the virtual key of scan code 10, looked up at the press
  PunchIn,     // now time -> punch-in time
  PunchOut,    // now time -> punch-out time
};

struct Step {
  StepKind kind;
  uint16_t arg;
};

struct FunctionCommand {
  const char* caption;  // as the user reads it
  uint8_t pad;          // leading blanks in the page's lists
  bool trailingBlank;   // "Close " and "Next " end in a blank in the lists
  Step steps[3];
};

constexpr uint16_t VK_CONTROL_KEY = 0x11;
constexpr uint16_t VK_ALT_KEY = 0x12;  // VK_MENU
constexpr uint16_t VK_RETURN_KEY = 0x0D;
constexpr uint16_t VK_INSERT_KEY = 0x2D;
constexpr uint16_t VK_F1_KEY = 0x70;  // VK_Fn = VK_F1_KEY + n - 1

constexpr Step Cmd(DWORD id) { return {StepKind::RunCommand, static_cast<uint16_t>(id)}; }
constexpr Step Key(uint16_t vk) { return {StepKind::KeyPress, vk}; }
constexpr Step Ctrl(uint16_t vk) { return {StepKind::CtrlKey, vk}; }
constexpr Step Alt(uint16_t vk) { return {StepKind::AltKey, vk}; }
constexpr uint16_t Fn(int n) { return static_cast<uint16_t>(VK_F1_KEY + n - 1); }

constexpr int COMMAND_COUNT = 42;  // rows 0..41
constexpr int FIRST_COMMAND = 1;
constexpr int LAST_COMMAND = 41;

inline constexpr FunctionCommand FUNCTION_COMMANDS[COMMAND_COUNT] = {
    {"None", 7, false, {}},
    {"Undo", 7, false, {Cmd(COMMAND_UNDO)}},
    {"Redo", 7, false, {Cmd(COMMAND_REDO)}},
    {"Ins. Marker", 3, false, {Key(Fn(11))}},
    {"Goto From", 4, false, {Key(Fn(7))}},
    {"Goto Thru", 4, false, {Key(Fn(8))}},
    {"Srch Next", 4, false, {Key(Fn(3))}},
    {"Run CAL", 4, false, {Ctrl(Fn(1))}},
    {"Ins. Track", 4, false, {Key(VK_INSERT_KEY)}},
    {"Env./Offset", 3, false, {Key('O')}},
    {"Snap", 7, false, {Key('N')}},
    {"Close", 7, true, {Ctrl(Fn(4))}},
    {"Next", 7, true, {Ctrl(Fn(6))}},
    {"Split", 7, false, {Key('S')}},
    {"Loop Exp.", 4, false, {Alt('1')}},
    {"Loop Con.", 4, false, {Alt('2')}},
    {"Console", 5, false, {Alt('3')}},
    {"Event List", 3, false, {Alt('4')}},
    {"Piano Roll", 3, false, {Alt('5')}},
    {"Video", 6, false, {Alt('6')}},
    {"Staff", 6, false, {Alt('7')}},
    {"Lyrics", 6, false, {Alt('8')}},
    {"Tempo", 4, false, {{StepKind::AltScan10, 0}}},
    {"Meter", 5, false, {Cmd(COMMAND_METER)}},
    {"Markers", 4, false, {Cmd(COMMAND_MARKERS)}},
    {"Playlist", 5, false, {Cmd(COMMAND_PLAYLIST)}},
    {"Sysx", 6, false, {Cmd(COMMAND_SYSX)}},
    {"CAL", 6, false, {Cmd(COMMAND_CAL)}},
    {"Panic", 5, false, {Cmd(COMMAND_PANIC)}},
    {"Aud. Opt.", 4, false, {Cmd(COMMAND_AUDIO_OPTIONS)}},
    {"Virt. Piano", 4, false, {Cmd(COMMAND_VIRTUAL_PIANO)}},
    {"Ins. Aud Track", 0, false, {Cmd(COMMAND_INSERT_AUDIO_TRACK)}},
    {"Ins. MIDI Track", 0, false, {Cmd(COMMAND_INSERT_MIDI_TRACK)}},
    {"Reject Loop", 3, false, {Cmd(COMMAND_REJECT_LOOP)}},
    {"Step Record", 3, false, {Cmd(COMMAND_STEP_RECORD)}},
    {"Clone Track", 3, false, {Cmd(COMMAND_CLONE_TRACK), Key(VK_RETURN_KEY)}},
    {"Prev Marker", 3, false, {Cmd(COMMAND_PREV_MARKER)}},
    {"Next Marker", 3, false, {Cmd(COMMAND_NEXT_MARKER)}},
    {"Punch In", 5, false, {{StepKind::PunchIn, 0}}},
    {"Punch Out", 4, false, {{StepKind::PunchOut, 0}}},
    {"Rec. Mode Ovr", 0, false, {Cmd(COMMAND_RECORD_MODE), Key('O'), Key(VK_RETURN_KEY)}},
    {"Rec. Mode SOS", 0, false, {Cmd(COMMAND_RECORD_MODE), Key('S'), Key(VK_RETURN_KEY)}},
};

// The list item of a row as the property page shows it: the caption with its
// leading blanks (and trailing blank). Writes at most `size` bytes, always
// terminated; returns the length of the item.
inline size_t FormatListItem(int row, char* out, size_t size) {
  if (size == 0 || row < 0 || row >= COMMAND_COUNT) {
    if (size) out[0] = '\0';
    return 0;
  }
  const FunctionCommand& command = FUNCTION_COMMANDS[row];
  size_t n = 0;
  auto put = [&](char c) {
    if (n + 1 < size) out[n] = c;
    ++n;
  };
  for (int i = 0; i < command.pad; ++i) put(' ');
  for (const char* c = command.caption; *c; ++c) put(*c);
  if (command.trailingBlank) put(' ');
  out[n < size ? n : size - 1] = '\0';
  return n;
}

}  // namespace fkeys
