#include "language/script.h"

#include <cctype>

#include "language/words.h"

#include "function_command_table.h"
#include "midi_map.h"
#include "model/host_commands.h"
#include "surface_config.h"

namespace sim {
namespace {

constexpr int kLastPosition = midi::STRIPS_PER_BANK - 1;
constexpr int kLastStrip = midi::HOST_STRIP_LIMIT - 1;

const Control& TakeControl(Words& words) {
  const std::string name = words.Take("a control");
  const Control* control = FindControl(name);
  if (control == nullptr) Fail("no control is called \"" + name + "\"");
  return *control;
}

void ParseMove(Words& words, Step& step, bool knob) {
  step.kind = StepKind::Move;
  if (knob) {
    step.control = &TakeControl(words);
    if (step.control->kind != ControlKind::Knob) Fail(std::string(step.control->name) + " is not a knob");
  } else {
    step.control = FindControl("fader");
    step.position = static_cast<int>(words.Int("fader", 0, kLastPosition));
  }
  const std::string value = words.Take("a value or a range A..B");
  const size_t dots = value.find("..");
  Words range(dots == std::string::npos ? std::vector<std::string>{value}
                                        : std::vector<std::string>{value.substr(0, dots), value.substr(dots + 2)});
  if (dots != std::string::npos) step.from = static_cast<int>(range.Int("start value", 0, 127));
  step.to = static_cast<int>(range.Int("value", 0, 127));
  if (words.TakeIf("over")) step.overMs = words.Duration();
}

void ParsePress(Words& words, Step& step, StepKind kind) {
  step.kind = kind;
  step.control = &TakeControl(words);
  const ControlKind controlKind = step.control->kind;
  if (controlKind == ControlKind::Fader || controlKind == ControlKind::Knob || controlKind == ControlKind::Jog)
    Fail(std::string(step.control->name) + " is not a button or key");
  if (step.control->perStrip) step.position = static_cast<int>(words.Int("strip position", 0, kLastPosition));
  if (kind != StepKind::Press && controlKind != ControlKind::Key)
    Fail("only keys can be held and released, not " + std::string(step.control->name));
}

// The per-strip host fields, as "volume 3 0.5", "send 3 2 0.5", "mute 3 on".
bool ParseStripField(Words& words, Step& step) {
  struct Field {
    const char* name;
    HostField field;
    bool level, send;
  };
  static constexpr Field kFields[] = {
      {"volume", HostField::Volume, true, false},  {"pan", HostField::Pan, true, false},
      {"mute", HostField::Mute, false, false},     {"solo", HostField::Solo, false, false},
      {"arm", HostField::Arm, false, false},       {"send", HostField::SendVolume, true, true},
      {"sendpan", HostField::SendPan, true, true}, {"autoarm", HostField::AutoArm, false, false},
  };
  for (const Field& field : kFields) {
    if (!words.TakeIf(field.name)) continue;
    step.field = field.field;
    step.strip = static_cast<int>(words.Int("host strip", 0, kLastStrip));
    if (field.send) step.index = static_cast<int>(words.Int("send", 1, midi::SEND_KNOB_COUNT)) - 1;
    if (field.level)
      step.number = words.Real("level", -1000, 1000);
    else
      step.on = words.OnOff();
    return true;
  }
  return false;
}

void ParseHost(Words& words, Step& step) {
  step.kind = StepKind::Host;
  if (ParseStripField(words, step)) return;
  if (words.TakeIf("play")) {
    step.field = HostField::Play;
  } else if (words.TakeIf("stop")) {
    step.field = HostField::Stop;
  } else if (words.TakeIf("record")) {
    step.field = HostField::Record;
  } else if (words.TakeIf("blink")) {
    step.field = HostField::Blink;
    step.on = words.OnOff();
  } else if (words.TakeIf("strips")) {
    if (words.TakeIf("fail")) {
      step.field = HostField::StripsFail;
    } else {
      step.field = HostField::Strips;
      step.number = static_cast<double>(words.Int("strip count", 0, midi::HOST_STRIP_LIMIT));
    }
  } else if (words.TakeIf("now")) {
    step.field = HostField::Now;
    step.number = static_cast<double>(words.Int("now time", INT32_MIN, INT32_MAX));
  } else if (words.TakeIf("pumps")) {
    step.field = HostField::Pumps;
    step.on = words.OnOff();
  } else {
    Fail("unknown host change \"" + words.Peek() + "\"");
  }
}

void ParseExpectHost(Words& words, Step& step) {
  step.expect = ExpectKind::Host;
  if (ParseStripField(words, step)) return;
  struct Field {
    const char* name;
    HostField field;
  };
  static constexpr Field kStates[] = {
      {"playing", HostField::Playing}, {"recording", HostField::Recording}, {"stopped", HostField::Stopped}};
  for (const Field& state : kStates)
    if (words.TakeIf(state.name)) {
      step.field = state.field;
      return;
    }
  if (words.TakeIf("markers")) {
    step.field = HostField::Markers;
    step.number = static_cast<double>(words.Int("marker count", 0, 100000));
  } else if (words.TakeIf("punch")) {
    const bool in = words.TakeIf("in");
    if (!in && !words.TakeIf("out")) Fail("expected punch in or punch out");
    step.field = in ? HostField::PunchIn : HostField::PunchOut;
    step.number = static_cast<double>(words.Int("time", INT32_MIN, INT32_MAX));
  } else if (words.TakeIf("recmode")) {
    step.field = HostField::RecordMode;
    step.word = words.Take("a record mode");
    if (!SameWord(step.word, "overwrite") && !SameWord(step.word, "sos")) Fail("record mode is overwrite or sos");
  } else if (words.TakeIf("strips")) {
    step.field = HostField::Strips;
    step.number = static_cast<double>(words.Int("strip count", 0, midi::HOST_STRIP_LIMIT));
  } else {
    Fail("unknown host state \"" + words.Peek() + "\"");
  }
}

constexpr int kLongestWithinMs = 600000;

void ParseExpectKind(Words& words, Step& step);

// expect WHAT... [within TIME]: TIME is how long the expectation may take to
// come true while the session runs (the host refreshing, the ports delivering).
void ParseExpect(Words& words, Step& step) {
  step.kind = StepKind::Expect;
  std::string within;
  if (words.TakeTrailingIf("within", &within)) {
    Words time({within});
    step.withinMs = time.Duration(kLongestWithinMs);
    if (step.withinMs == 0) Fail("within takes a time above 0");
  }
  ParseExpectKind(words, step);
  const ExpectKind kind = step.expect;
  if (step.withinMs > 0 && (kind == ExpectKind::NoCommand || kind == ExpectKind::NoKey))
    Fail("expect no ... holds now or not: it takes no within");
  if (step.withinMs > 0 && (kind == ExpectKind::Drawn || kind == ExpectKind::Monitor))
    Fail("the window's picture and monitor are read as they stand: wait with expect led ... within first");
}

void ParseExpectKind(Words& words, Step& step) {
  const std::string what = words.Take("what to expect");
  if (SameWord(what, "led")) {
    step.expect = ExpectKind::Led;
    const std::string name = words.Take("a light");
    step.light = FindLight(name);
    if (step.light == nullptr) Fail("no light is called \"" + name + "\"");
    if (step.light->perStrip) step.position = static_cast<int>(words.Int("strip position", 0, kLastPosition));
    step.on = words.OnOff();
  } else if (SameWord(what, "display")) {
    step.expect = ExpectKind::Display;
    step.word = words.Take("the display's two characters");
    if (step.word.size() != 2) Fail("the display shows two characters, not \"" + step.word + "\"");
  } else if (SameWord(what, "arrow")) {
    step.expect = ExpectKind::Arrow;
    step.word = words.Take("up, down or none");
    if (!SameWord(step.word, "up") && !SameWord(step.word, "down") && !SameWord(step.word, "none"))
      Fail("an arrow is up, down or none");
  } else if (SameWord(what, "host")) {
    ParseExpectHost(words, step);
  } else if (SameWord(what, "command")) {
    step.expect = ExpectKind::Command;
    step.word = words.Take("a command");
    if (!IsCommandName(step.word)) Fail("this host has no command \"" + step.word + "\"");
  } else if (SameWord(what, "key")) {
    step.expect = ExpectKind::Key;
    step.word = words.Take("a key such as Alt+T");
  } else if (SameWord(what, "no")) {
    const std::string which = words.Take("command or key");
    if (SameWord(which, "command"))
      step.expect = ExpectKind::NoCommand;
    else if (SameWord(which, "key"))
      step.expect = ExpectKind::NoKey;
    else
      Fail("expected \"no command\" or \"no key\"");
  } else if (SameWord(what, "now")) {
    step.expect = ExpectKind::Now;
    step.number = static_cast<double>(words.Int("now time", INT32_MIN, INT32_MAX));
  } else if (SameWord(what, "fader")) {
    step.expect = ExpectKind::Fader;
    step.position = static_cast<int>(words.Int("fader", 0, kLastPosition));
    step.to = static_cast<int>(words.Int("value", 0, 127));
  } else if (SameWord(what, "status")) {
    step.expect = ExpectKind::Status;
    step.word = words.Rest();
    if (step.word.empty()) Fail("expect status needs the whole text, such as Tavrel OK");
  } else if (SameWord(what, "drawn")) {  // a window test reads its own picture
    step.expect = ExpectKind::Drawn;
    const std::string light = words.TakeName("a light");
    step.light = FindNamed(light, true, &step.position);
    if (step.light == nullptr) Fail("no light is called \"" + light + "\"");
    step.on = words.OnOff();
  } else if (SameWord(what, "monitor")) {  // a window test reads its monitor pane
    step.expect = ExpectKind::Monitor;
    step.word = words.Rest();
    if (step.word.empty()) Fail("expect monitor needs the text of a line");
  } else {
    Fail("cannot expect \"" + what + "\"");
  }
}

int FunctionRow(const std::string& word) {
  for (int row = 0; row < fkeys::COMMAND_COUNT; ++row)
    if (SameWord(fkeys::FUNCTION_COMMANDS[row].caption, word) || word == std::to_string(row)) return row;
  Fail("no function command is called \"" + word + "\"");
}

// Settings the host edits in the stored block: F1..F9, send A..E, locate,
// footswitch, cursor.
void ParseOption(Words& words, Step& step) {
  step.kind = StepKind::Option;
  const std::string name = words.Take("a setting");
  if (name.size() == 2 && (name[0] == 'F' || name[0] == 'f') && name[1] >= '1' && name[1] <= '9') {
    step.optionByte = static_cast<int>(CONFIG_FUNCTION_KEY) + (name[1] - '1');
    step.optionValue = FunctionRow(words.Take("a function command"));
  } else if (SameWord(name, "send")) {
    const std::string knob = words.Take("send knob A..E");
    if (knob.size() != 1 || std::string("ABCDEabcde").find(knob[0]) == std::string::npos)
      Fail("send knobs are A..E, not \"" + knob + "\"");
    step.optionByte = static_cast<int>(CONFIG_SEND_KNOB) + (std::toupper(knob[0]) - 'A');
    const bool pan = words.TakeIf("pan");
    if (!pan && !words.TakeIf("volume")) Fail("expected send A volume N or send A pan N");
    step.optionValue = static_cast<int>((words.Int("send", 1, midi::SEND_KNOB_COUNT) - 1) * 2 + (pan ? 1 : 0));
  } else {
    struct Switch {
      const char* name;
      size_t byte;
      const char* off;
      const char* on;
    };
    static constexpr Switch kSwitches[] = {{"locate", CONFIG_LOCATE_BUTTONS, "automation", "position"},
                                           {"footswitch", CONFIG_FOOTSWITCH, "undo", "stop"},
                                           {"cursor", CONFIG_CURSOR_LEFT_RIGHT, "measure", "bank"}};
    for (const Switch& option : kSwitches) {
      if (!SameWord(option.name, name)) continue;
      step.optionByte = static_cast<int>(option.byte);
      const std::string value = words.Take("the setting's value");
      if (SameWord(value, option.off))
        step.optionValue = 0;
      else if (SameWord(value, option.on))
        step.optionValue = 1;
      else
        Fail(std::string(option.name) + " is " + option.off + " or " + option.on);
      return;
    }
    Fail("no setting is called \"" + name + "\"");
  }
}

void ParseSnapshot(Words& words, Step& step) {
  step.kind = StepKind::Snapshot;
  step.word = words.Take("a name");
  for (char c : step.word)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
      Fail("a snapshot name holds letters, digits, - and _ only");
}

void ParseRefresh(Words& words, Step& step) {
  step.kind = StepKind::Refresh;
  step.amount = 1;
  if (words.More() && !SameWord(words.Peek(), "kind")) step.amount = static_cast<int>(words.Int("count", 1, 10000));
  if (words.TakeIf("kind")) step.refreshKind = static_cast<int>(words.Int("refresh kind", 0, 255));
}

// --- The window test's steps ------------------------------------------------

constexpr const char* kMenuWords[] = {"save", "detach", "attach", "play", "record", "stop", "blink"};

// "mute 3", "F1", "send A": a control or light by the name the layout gives it.
const Control& TakeNamed(bool light, int* position, const std::string& name) {
  const Control* control = FindNamed(name, light, position);
  if (control == nullptr) Fail(std::string(light ? "no light" : "no control") + " is called \"" + name + "\"");
  return *control;
}

void ParseClick(Words& words, Step& step) {
  step.kind = StepKind::Click;
  step.control = &TakeNamed(false, &step.position, words.Rest());
  if (step.control->status == 0) Fail(std::string(step.control->name) + " is a light: there is nothing to click");
}

void ParseDrag(Words& words, Step& step) {
  step.kind = StepKind::Drag;
  step.control = &TakeNamed(false, &step.position, words.TakeName("a fader"));
  if (step.control->kind != ControlKind::Fader) Fail("only faders drag");
  step.to = static_cast<int>(words.Int("value", 0, 127));
}

void ParseMenu(Words& words, Step& step) {
  step.kind = StepKind::Menu;
  step.word = words.Take("a menu command");
  for (const char* name : kMenuWords)
    if (SameWord(step.word, name)) return;
  Fail("no menu command \"" + step.word + "\" (save, detach, attach, play, record, stop, blink)");
}

void ParseProperties(Words& words, Step& step) {
  step.kind = StepKind::Properties;
  const std::string key = words.Take("F1..F9");
  if (key.size() != 2 || (key[0] != 'F' && key[0] != 'f') || key[1] < '1' || key[1] > '9')
    Fail("properties takes F1..F9, not \"" + key + "\"");
  step.optionByte = key[1] - '0';
  step.optionValue = static_cast<int>(words.Int("list row", 0, fkeys::COMMAND_COUNT - 1));
}

// mixer ROW volume|pan LEVEL, or mixer ROW mute|solo|arm|auto: a row of the
// console, which lists the 32 strips of the bank.
void ParseMixer(Words& words, Step& step) {
  step.kind = StepKind::Mixer;
  step.strip = static_cast<int>(words.Int("console row", 0, kLastPosition));
  static constexpr std::pair<const char*, HostField> kColumns[] = {
      {"volume", HostField::Volume}, {"pan", HostField::Pan}, {"mute", HostField::Mute},
      {"solo", HostField::Solo},     {"arm", HostField::Arm}, {"auto", HostField::AutoArm}};
  const std::string column = words.Take("a column");
  for (const auto& [name, field] : kColumns)
    if (SameWord(column, name)) {
      step.field = field;
      if (field == HostField::Volume || field == HostField::Pan) step.number = words.Real("level", 0, 1);
      return;
    }
  Fail("the console's columns are volume, pan, mute, solo, arm and auto, not \"" + column + "\"");
}

// port in|out NAME|none: a MIDI port opened by its name or index, or closed.
void ParsePort(Words& words, Step& step) {
  step.kind = StepKind::Port;
  const std::string which = words.Take("in or out");
  step.on = SameWord(which, "in");
  if (!step.on && !SameWord(which, "out")) Fail("port in NAME or port out NAME, not \"" + which + "\"");
  step.word = words.Take("a port's name or index, or none");
  if (SameWord(step.word, "none")) step.word.clear();
}

void ParsePause(Words& words, Step& step) {
  step.kind = StepKind::Pause;
  step.overMs = static_cast<int>(words.Int("milliseconds", 0, 600000));
}

// --- The verbs ----------------------------------------------------------------

struct VerbRow {
  Verb verb;
  void (*parse)(Words&, Step&);
};

const VerbRow kVerbs[] = {
    {{"fader", "N VALUE|A..B [over TIME]", "fader N runs to VALUE (from A to B, spread over TIME)", false, false},
     [](Words& w, Step& s) { ParseMove(w, s, false); }},
    {{"knob", "pan|A..E VALUE [over TIME]", "the pan knob or a send knob to VALUE", false, false},
     [](Words& w, Step& s) { ParseMove(w, s, true); }},
    {{"press", "CONTROL [N]", "a button or key pressed (strip buttons take their position)", false, false},
     [](Words& w, Step& s) { ParsePress(w, s, StepKind::Press); }},
    {{"tap", "CONTROL [N]", "the same as press", false, false},
     [](Words& w, Step& s) { ParsePress(w, s, StepKind::Press); }},
    {{"hold", "KEY", "a key pressed and kept down", false, false},
     [](Words& w, Step& s) { ParsePress(w, s, StepKind::Hold); }},
    {{"release", "KEY", "a held key let go", false, false},
     [](Words& w, Step& s) { ParsePress(w, s, StepKind::Release); }},
    {{"jog", "DETENTS", "detents of the jog wheel, -63..63", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Jog;
       s.amount = static_cast<int>(w.Int("detents", -63, 63));
     }},
    {{"shuttle", "MOVE", "one shuttle message, -8191..8191", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Shuttle;
       s.amount = static_cast<int>(w.Int("shuttle move", -midi::SHUTTLE_MAX_MOVE, midi::SHUTTLE_MAX_MOVE));
     }},
    {{"send", "HEX HEX HEX", "one raw short message", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Raw;
       for (int i = 0; i < 3; ++i) s.bytes.push_back(w.Byte());
     }},
    {{"sysex", "HEX...", "one raw system-exclusive message", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Sysex;
       while (w.More()) s.bytes.push_back(w.Byte());
       if (s.bytes.empty()) Fail("a sysex needs its bytes");
     }},
    {{"host", "CHANGE", "a change on the host's side: volume, pan, send, mute..., play, stop, strips, now, pumps",
      false, true},
     ParseHost},
    {{"option", "SETTING VALUE", "the host edits the surface's stored settings and loads them back", false, true},
     ParseOption},
    {{"save", "", "write the project now (needs --project)", false, true},
     [](Words&, Step& s) { s.kind = StepKind::Save; }},
    {{"wait", "TIME", "time passes while the host refreshes", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Wait;
       s.overMs = w.Duration();
     }},
    {{"refresh", "[COUNT] [kind K]", "refreshes on the refresh thread", false, true}, ParseRefresh},
    {{"expect", "WHAT... [within TIME]",
      "a check: led, display, arrow, host, command, key, now, fader, status (drawn, monitor in a window "
      "test); "
      "within: it may take TIME to come true",
      false, false},
     ParseExpect},
    {{"snapshot", "NAME", "NAME.svg and NAME.png in --snapshots DIR", false, false}, ParseSnapshot},
    {{"say", "TEXT", "print a line", false, false},
     [](Words& w, Step& s) {
       s.kind = StepKind::Say;
       s.word = w.Rest();
     }},
    {{"click", "CONTROL [N]", "mouse down and up at the control's centre", true, false}, ParseClick},
    {{"drag", "fader N VALUE", "the fader dragged from its cap to VALUE", true, false}, ParseDrag},
    {{"menu", "COMMAND", "a menu command: save, detach, attach, play, record, stop, blink", true, true}, ParseMenu},
    {{"properties", "Fn ROW", "Properties..., row ROW chosen in Fn's list, OK", true, true}, ParseProperties},
    {{"mixer", "ROW COLUMN [LEVEL]", "the host console's cell clicked: volume|pan LEVEL, mute|solo|arm|auto", true,
      true},
     ParseMixer},
    {{"port", "in|out NAME|none", "open a MIDI port by its name or index, or close it (a window test: the Ports menu)",
      false, false},
     ParsePort},
    {{"pause", "MS", "the window runs on its own for MS milliseconds", true, false}, ParsePause},
};

// The expectations that read the host's state or its log.
bool ReadsHost(ExpectKind kind) {
  return kind == ExpectKind::Host || kind == ExpectKind::Command || kind == ExpectKind::NoCommand ||
         kind == ExpectKind::Key || kind == ExpectKind::NoKey || kind == ExpectKind::Now || kind == ExpectKind::Status;
}

constexpr char kNoHost[] = ": --surface plays the surface alone, with no host in its process";

void ParseLine(Words& words, Step& step, bool window, bool host) {
  const std::string verb = words.Take("a step");
  for (const VerbRow& row : kVerbs) {
    if (!SameWord(verb, row.verb.name)) continue;
    if (row.verb.window && !window) Fail(verb + " goes through the window: it runs only in --window-test");
    if (row.verb.host && !host) Fail("\"" + verb + "\" needs the host" + kNoHost);
    row.parse(words, step);
    const bool expect = step.kind == StepKind::Expect;
    if (expect && (step.expect == ExpectKind::Drawn || step.expect == ExpectKind::Monitor) && !window)
      Fail("expect " + std::string(step.expect == ExpectKind::Drawn ? "drawn" : "monitor") +
           " reads the window: it runs only in --window-test");
    if (expect && ReadsHost(step.expect) && !host) Fail("this expectation reads the host" + std::string(kNoHost));
    words.End();
    return;
  }
  Fail("unknown step \"" + verb + "\"");
}

}  // namespace

const std::vector<Verb>& Verbs() {
  static const std::vector<Verb> verbs = [] {
    std::vector<Verb> out;
    for (const VerbRow& row : kVerbs) out.push_back(row.verb);
    return out;
  }();
  return verbs;
}

std::string VerbUsage() {
  std::string text = "Script steps (* a window test's only; + not with --surface, which has no host):\n";
  for (const Verb& verb : Verbs()) {
    std::string left =
        std::string(" ") + (verb.host ? "+" : " ") + (verb.window ? "*" : " ") + verb.name + " " + verb.form;
    if (left.size() < 36) left.resize(36, ' ');
    text += left + " " + verb.help + "\n";
  }
  return text;
}

ParseResult ParseScript(const std::string& file, const std::string& text, bool window, bool host) {
  ParseResult result;
  ForEachLine(text, [&](int line, const std::string& code) {
    try {
      Words words(code);
      if (!words.More()) return;
      Step step;
      step.file = file;
      step.line = line;
      step.text = code;
      while (!step.text.empty() && (step.text.back() == '\r' || step.text.back() == ' ')) step.text.pop_back();
      ParseLine(words, step, window, host);
      result.steps.push_back(std::move(step));
    } catch (const LineError& error) {
      result.errors.push_back(file + ":" + std::to_string(line) + ": " + error.what());
    }
  });
  return result;
}

}  // namespace sim
