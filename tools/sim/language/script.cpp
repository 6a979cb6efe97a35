#include "language/script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "function_command_table.h"
#include "midi_map.h"
#include "model/host_commands.h"
#include "surface_config.h"

namespace sim {
namespace {

// A parse failure of one line; caught per line, never outside the parser.
struct LineError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& reason) { throw LineError(reason); }

// Words of a line; "quoted text" is one word (without its quotes).
std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
    } else if (line[i] == '"') {
      const size_t end = line.find('"', i + 1);
      if (end == std::string::npos) Fail("unterminated quoted text");
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
      words.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

class Words {
 public:
  explicit Words(std::vector<std::string> words) : m_words(std::move(words)) {}
  bool More() const { return m_next < m_words.size(); }
  const std::string& Peek() const {
    static const std::string kNone;
    return More() ? m_words[m_next] : kNone;
  }
  std::string Take(const char* what) {
    if (!More()) Fail(std::string("missing ") + what);
    return m_words[m_next++];
  }
  bool TakeIf(const char* word) {
    if (More() && SameWord(m_words[m_next], word)) {
      ++m_next;
      return true;
    }
    return false;
  }
  void End() {
    if (More()) Fail("unexpected \"" + m_words[m_next] + "\"");
  }

  long Int(const char* what, long low, long high) {
    const std::string word = Take(what);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno != 0)
      Fail(std::string(what) + " is not a whole number: \"" + word + "\"");
    if (value < low || value > high)
      Fail(std::string(what) + " " + word + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    return value;
  }
  double Real(const char* what, double low, double high) {
    const std::string word = Take(what);
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value))
      Fail(std::string(what) + " is not a number: \"" + word + "\"");
    if (value < low || value > high) Fail(std::string(what) + " " + word + " is outside the range it can take");
    return value;
  }
  bool OnOff() {
    const std::string word = Take("on or off");
    if (SameWord(word, "on")) return true;
    if (SameWord(word, "off")) return false;
    Fail("expected on or off, found \"" + word + "\"");
  }
  // "250ms", "2s", "1.5s"; at most a minute.
  int Duration() {
    const std::string word = Take("a time such as 250ms");
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    double ms = -1;
    if (end != word.c_str() && std::string(end) == "ms") ms = value;
    if (end != word.c_str() && std::string(end) == "s") ms = value * 1000;
    if (!(ms >= 0 && ms <= 60000)) Fail("\"" + word + "\" is not a time from 0ms to 60s");
    return static_cast<int>(ms);
  }
  uint8_t Byte() {
    const std::string word = Take("a hex byte");
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 16);
    if (word.empty() || word.size() > 2 || *end != '\0' || value < 0) Fail("\"" + word + "\" is not a hex byte");
    return static_cast<uint8_t>(value);
  }

 private:
  std::vector<std::string> m_words;
  size_t m_next = 0;
};

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

void ParseExpect(Words& words, Step& step) {
  step.kind = StepKind::Expect;
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

void ParseLine(Words& words, Step& step) {
  const std::string verb = words.Take("a step");
  if (SameWord(verb, "fader")) {
    ParseMove(words, step, false);
  } else if (SameWord(verb, "knob")) {
    ParseMove(words, step, true);
  } else if (SameWord(verb, "press") || SameWord(verb, "tap")) {
    ParsePress(words, step, StepKind::Press);
  } else if (SameWord(verb, "hold")) {
    ParsePress(words, step, StepKind::Hold);
  } else if (SameWord(verb, "release")) {
    ParsePress(words, step, StepKind::Release);
  } else if (SameWord(verb, "jog")) {
    step.kind = StepKind::Jog;
    step.amount = static_cast<int>(words.Int("detents", -63, 63));
  } else if (SameWord(verb, "shuttle")) {
    step.kind = StepKind::Shuttle;
    step.amount = static_cast<int>(words.Int("shuttle move", -midi::SHUTTLE_MAX_MOVE, midi::SHUTTLE_MAX_MOVE));
  } else if (SameWord(verb, "send")) {
    step.kind = StepKind::Raw;
    for (int i = 0; i < 3; ++i) step.bytes.push_back(words.Byte());
  } else if (SameWord(verb, "sysex")) {
    step.kind = StepKind::Sysex;
    while (words.More()) step.bytes.push_back(words.Byte());
    if (step.bytes.empty()) Fail("a sysex needs its bytes");
  } else if (SameWord(verb, "host")) {
    ParseHost(words, step);
  } else if (SameWord(verb, "option")) {
    ParseOption(words, step);
  } else if (SameWord(verb, "save")) {
    step.kind = StepKind::Save;
  } else if (SameWord(verb, "wait")) {
    step.kind = StepKind::Wait;
    step.overMs = words.Duration();
  } else if (SameWord(verb, "refresh")) {
    step.kind = StepKind::Refresh;
    step.amount = 1;
    if (words.More() && !SameWord(words.Peek(), "kind")) step.amount = static_cast<int>(words.Int("count", 1, 10000));
    if (words.TakeIf("kind")) step.refreshKind = static_cast<int>(words.Int("refresh kind", 0, 255));
  } else if (SameWord(verb, "expect")) {
    ParseExpect(words, step);
  } else if (SameWord(verb, "snapshot")) {
    step.kind = StepKind::Snapshot;
    step.word = words.Take("a name");
    for (char c : step.word)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
        Fail("a snapshot name holds letters, digits, - and _ only");
  } else if (SameWord(verb, "say")) {
    step.kind = StepKind::Say;
    while (words.More()) step.word += (step.word.empty() ? "" : " ") + words.Take("text");
    return;
  } else {
    Fail("unknown step \"" + verb + "\"");
  }
  words.End();
}

}  // namespace

ParseResult ParseScript(const std::string& file, const std::string& text) {
  ParseResult result;
  size_t start = 0;
  int line = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string content = text.substr(start, end - start);
    start = end + 1;
    ++line;
    const size_t hash = content.find('#');
    const std::string code = hash == std::string::npos ? content : content.substr(0, hash);
    try {
      Words words(Split(code));
      if (!words.More()) continue;
      Step step;
      step.file = file;
      step.line = line;
      step.text = code;
      while (!step.text.empty() && (step.text.back() == '\r' || step.text.back() == ' ')) step.text.pop_back();
      ParseLine(words, step);
      result.steps.push_back(std::move(step));
    } catch (const LineError& error) {
      result.errors.push_back(file + ":" + std::to_string(line) + ": " + error.what());
    }
    if (end == text.size()) break;
  }
  return result;
}

}  // namespace sim
