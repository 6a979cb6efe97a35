// The simulator's script language: one step per line, parsed whole before
// anything runs, so a mistake on line 40 is reported before line 1 acts.
//
//   fader 3 64              fader 3 0..127 over 300ms   knob pan 60
//   press mute 3            press F1      hold store    release store
//   jog -2                  shuttle -133  tap footswitch
//   send bf 03 40           sysex f0 7f 00 06 47 03 41 05 00 f7
//   host volume 3 0.5       host play     host blink on  host strips 10
//   option F1 "Undo"        option cursor bank          save
//   wait 250ms              refresh       refresh 11 kind 4
//   expect led mute 3 on    expect display "40"         expect arrow up
//   expect host volume 3 0.504   expect command record  expect key Alt+T
//   expect now 1234         snapshot NAME               say TEXT
//   expect led solo 7 on within 2s                      port in "Loop B"
//
// The surface alone (--surface) has no host in its process: its scripts take
// the gestures, the expectations of what the surface shows, time, pictures,
// narration and ports, and refuse the host's steps with their line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/controls.h"

namespace sim {

enum class StepKind : uint8_t {
  Move,      // fader or knob to a value, optionally from a value and over a time
  Press,     // a key or button pressed (and, for momentary ones, released)
  Hold,      // a key pressed and kept down
  Release,   // a held key let go
  Jog,       // detents of the jog wheel
  Shuttle,   // one shuttle message
  Raw,       // one short message as three bytes
  Sysex,     // one long message
  Host,      // a change made on the host's side
  Option,    // the host edits the surface's stored settings and loads them back
  Save,      // the project is written now
  Wait,      // time passes (the host keeps refreshing)
  Refresh,   // refreshes, run on the refresh thread
  Expect,    // a check; a failing one stops the run
  Snapshot,  // a picture of the surface and the host
  Say,       // a line of narration
  Port,      // a MIDI port opened (on: the input; word: its name or index) or closed (word empty)
  // Steps of a window test, which go through the window itself:
  Click,       // mouse down and up at a control
  Drag,        // a fader dragged from its cap to a value
  Menu,        // a menu command (word: save, detach, attach, play, record, stop, blink)
  Properties,  // Surface > Properties..., one row chosen in an F-key's list, OK
  Mixer,       // a click on the host console's cell: a level typed, or a switch flipped
  Pause,       // the window runs on its own for a while
};

enum class HostField : uint8_t {
  Volume,
  Pan,
  Mute,
  Solo,
  Arm,
  SendVolume,
  SendPan,
  AutoArm,  // per strip
  Play,
  Stop,
  Record,
  Blink,
  Strips,
  StripsFail,
  Now,
  PunchIn,
  PunchOut,
  Markers,
  Playing,
  Recording,
  Stopped,
  RecordMode,  // read only (expectations)
  Pumps,       // the host delivers input from inside its reads (on) or on its MIDI thread (off)
};

enum class ExpectKind : uint8_t {
  Led,
  Display,
  Arrow,
  Host,
  Command,
  NoCommand,
  Key,
  NoKey,
  Now,
  Fader,
  Status,   // the surface's status text (word: the whole text)
  Drawn,    // a window test: the window's picture
  Monitor,  // a window test: a line of the window's monitor (word: text it holds)
};

struct Step {
  std::string file;
  int line = 0;
  std::string text;  // the line as written, for messages and replays
  StepKind kind = StepKind::Say;

  const Control* control = nullptr;  // Move, Press, Hold, Release, Click, Drag
  int position = 0;                  // window position of a per-strip control or light
  int from = -1;                     // Move: start value, -1 = where the control is
  int to = 0;                        // Move: end value
  int overMs = 0;                    // Move: duration; Wait, Pause: time
  int amount = 0;                    // Jog detents, Shuttle move, Refresh count
  int refreshKind = 0;               // Refresh
  std::vector<uint8_t> bytes;        // Raw, Sysex

  HostField field = HostField::Volume;  // Host, Expect Host
  int strip = 0;                        // absolute host strip
  int index = 0;                        // send 0..4
  double number = 0;                    // level, count, time
  bool on = false;

  ExpectKind expect = ExpectKind::Led;
  int withinMs = 0;                // Expect: how long it may take to come true (0: it holds now)
  const Control* light = nullptr;  // Expect Led, Expect Drawn: a row with a light
  std::string word;                // display text, arrow, command or key name, snapshot name, narration

  int optionByte = 0;   // Option: byte of the settings block; Properties: the F-key 1..9
  int optionValue = 0;  // Option: its new value; Properties: the row chosen in the key's list
};

// One verb of the language: its words, what it does, and whether it needs
// the window or the host. The parser, --help and the user's document read
// this table.
struct Verb {
  const char* name;
  const char* form;  // its arguments, as --help shows them
  const char* help;
  bool window;  // a window test's step only
  bool host;    // acts on the host in this process: not for the surface alone
};
const std::vector<Verb>& Verbs();
// The verbs as --help lists them.
std::string VerbUsage();

struct ParseResult {
  std::vector<Step> steps;
  std::vector<std::string> errors;  // "file:line: reason", in line order
};

// Parses a whole script; `window` admits the window test's steps, `host` the
// steps that need the host in this process. Steps are only worth running
// when errors is empty.
ParseResult ParseScript(const std::string& file, const std::string& text, bool window = false, bool host = true);

}  // namespace sim
