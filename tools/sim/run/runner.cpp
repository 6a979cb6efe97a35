#include "run/runner.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "language/surface_steps.h"
#include "midi_map.h"
#include "model/host_commands.h"
#include "picture/snapshot.h"
#include "run/surface_settings.h"
#include "surface_config.h"

using namespace midi;

namespace sim {
namespace {

std::string Level(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

// Levels in scripts are written to three decimals.
constexpr double kLevelTolerance = 0.0005;

float* StripLevel(HostStrip& strip, HostField field, int index) {
  switch (field) {
    case HostField::Volume:
      return &strip.volume;
    case HostField::Pan:
      return &strip.pan;
    case HostField::Mute:
      return &strip.mute;
    case HostField::Solo:
      return &strip.solo;
    case HostField::Arm:
      return &strip.arm;
    case HostField::SendVolume:
      return &strip.sendVolume[index];
    case HostField::SendPan:
      return &strip.sendPan[index];
    default:
      return nullptr;
  }
}

bool IsSwitch(HostField field) {
  return field == HostField::Mute || field == HostField::Solo || field == HostField::Arm;
}

}  // namespace

bool PollUntil(int ms, const std::function<bool()>& ready) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (ready()) return true;
    if (Clock::now() >= end) return ready();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Runner::Emit(const std::vector<Emission>& emissions, bool timed) {
  using Clock = std::chrono::steady_clock;
  if (timed) m_context.session.FreeRun(true);
  const Clock::time_point start = Clock::now();
  for (const Emission& emission : emissions) {
    if (timed) std::this_thread::sleep_until(start + std::chrono::milliseconds(emission.atMs));
    if (emission.bytes.empty())
      m_context.session.Short(emission.word);
    else
      m_context.session.Long(emission.bytes);
  }
  if (m_context.pumping) return;  // the input waits for the host's next read
  m_context.session.Drain();
  if (timed) m_context.session.FreeRun(false);
}

// The host follows the bank the way the surface moves it: the cursor keys
// with "Bank Select", one bank each, within 0..3.
void Runner::FollowBank(const Control& control) {
  if (m_context.settings[CONFIG_CURSOR_LEFT_RIGHT] == 0) return;
  if (control.status != STATUS_CH15) return;
  if (control.controller == CC_CURSOR_LEFT && m_context.bank > 0) --m_context.bank;
  if (control.controller == CC_CURSOR_RIGHT && m_context.bank < BANK_COUNT - 1) ++m_context.bank;
}

void Runner::HostStep(const Step& step) {
  HostModel& host = m_context.host;
  switch (step.field) {
    case HostField::Play:
      host.Command(COMMAND_TRANSPORT_KEY_76);
      return;
    case HostField::Stop:
      host.Command(COMMAND_STOP);
      return;
    case HostField::Record:
      host.Command(COMMAND_RECORD);
      return;
    case HostField::Pumps:
      m_context.pumping = step.on;
      m_context.session.HoldInput(step.on);
      if (!step.on) m_context.session.Drain();
      return;
    default:
      break;
  }
  host.With([&](HostState& s) {
    HostStrip& strip = s.strips[step.strip];
    if (float* level = StripLevel(strip, step.field, step.index)) {
      *level = IsSwitch(step.field) ? (step.on ? 1.0f : 0.0f) : static_cast<float>(step.number);
      return;
    }
    switch (step.field) {
      case HostField::AutoArm:
        for (auto& row : strip.armed)
          for (bool& armed : row) armed = step.on;
        break;
      case HostField::Blink:
        s.blink = step.on;
        break;
      case HostField::Strips:
        s.stripCount = static_cast<int>(step.number);
        s.stripCountFails = false;
        break;
      case HostField::StripsFail:
        s.stripCountFails = true;
        break;
      case HostField::Now:
        s.now = static_cast<int64_t>(step.number);
        break;
      default:
        break;
    }
  });
}

namespace {

// The oldest command or shortcut not yet expected, taken once it matches.
bool ExpectLogged(const Step& step, HostState& s, std::string* expected, std::string* found) {
  const bool commands = step.expect == ExpectKind::Command || step.expect == ExpectKind::NoCommand;
  const bool none = step.expect == ExpectKind::NoCommand || step.expect == ExpectKind::NoKey;
  const bool empty = commands ? s.commands.empty() : s.keys.empty();
  const std::string what = commands ? "command" : "key";
  std::string front;
  if (!empty) front = commands ? CommandName(s.commands.front()) : s.keys.front();
  expected->assign(none ? "no " : "").append(what);
  if (!none) expected->append(" ").append(step.word);
  found->assign(empty ? "no " : "").append(what);
  if (!empty) found->append(" ").append(front);
  if (none || empty) return none && empty;
  const bool match = commands ? CommandMatches(s.commands.front(), step.word) : SameWord(s.keys.front(), step.word);
  if (commands)
    s.commands.pop_front();
  else
    s.keys.pop_front();
  return match;
}

// An expectation of the host's state: a strip's level or switch, the transport.
bool ExpectHostState(const Step& step, HostState& s, std::string* expected, std::string* found) {
  HostStrip& strip = s.strips[step.strip];
  if (float* level = StripLevel(strip, step.field, step.index)) {
    if (IsSwitch(step.field)) {
      *expected = OnOff(step.on);
      *found = OnOff(SwitchOn(*level));
      return SwitchOn(*level) == step.on;
    }
    *expected = Level(step.number);
    *found = Level(*level);
    return std::fabs(*level - step.number) <= kLevelTolerance;
  }
  const auto count = [&](long long n, const char* unit) { return std::to_string(n) + unit; };
  switch (step.field) {
    case HostField::AutoArm:
      *expected = OnOff(step.on);
      *found = OnOff(strip.armed[2][0]);  // the mute parameter's arm, as the LED shows
      break;
    case HostField::Playing:
    case HostField::Recording:
    case HostField::Stopped:
      *found = s.recording ? "recording" : s.playing ? "playing" : "stopped";
      *expected = step.field == HostField::Playing     ? "playing"
                  : step.field == HostField::Recording ? "recording"
                                                       : "stopped";
      break;
    case HostField::Markers:
      *expected = count(static_cast<long long>(step.number), " markers");
      *found = count(static_cast<long long>(s.markers.size()), " markers");
      break;
    case HostField::PunchIn:
    case HostField::PunchOut:
      *expected = count(static_cast<long long>(step.number), "");
      *found = count(step.field == HostField::PunchIn ? s.punchIn : s.punchOut, "");
      break;
    case HostField::RecordMode:
      *expected = step.word;
      *found = s.recordMode ? "sos" : "overwrite";
      return SameWord(*expected, *found);
    case HostField::Strips:
      *expected = count(static_cast<long long>(step.number), " strips");
      *found = count(s.stripCount, " strips");
      break;
    default:  // the parser takes no other field for an expectation
      return false;
  }
  return *expected == *found;
}

}  // namespace

bool Runner::Expect(const Step& step, std::string* expected, std::string* found) {
  switch (step.expect) {
    case ExpectKind::Led:
    case ExpectKind::Display:
    case ExpectKind::Arrow:
    case ExpectKind::Fader:
      return ExpectOnSurface(m_context.hardware, step, expected, found);
    case ExpectKind::Command:
    case ExpectKind::NoCommand:
    case ExpectKind::Key:
    case ExpectKind::NoKey:
      return m_context.host.With([&](HostState& s) { return ExpectLogged(step, s, expected, found); });
    case ExpectKind::Now:
      *expected = std::to_string(static_cast<long long>(step.number));
      *found = std::to_string(m_context.host.With([](HostState& s) { return s.now; }));
      return *expected == *found;
    case ExpectKind::Host:
      return m_context.host.With([&](HostState& s) { return ExpectHostState(step, s, expected, found); });
    case ExpectKind::Status: {
      char text[64] = {};
      DWORD length = sizeof text;
      m_context.surface->QueryStatusText(text, &length);
      const std::string status(text, strnlen(text, sizeof text));
      *expected = "status \"" + step.word + '"';
      *found = '"' + status + '"';
      return step.word == status;
    }
    case ExpectKind::Drawn:
    case ExpectKind::Monitor:
      break;
  }
  *expected = "a window to read";
  *found = "none (the window's expectations run only in --window-test)";
  return false;
}

// An expectation, at once or, with `within`, while the host refreshes on
// its own and the surface's input flows, until it comes true or the time is
// up. A command or a shortcut is awaited, then taken as at once.
bool Runner::Check(const Step& step, std::string* error) {
  std::string expected, found;
  bool met = false;
  const uint64_t delivered = m_context.session.Delivered(), refreshes = m_context.session.Refreshes();
  if (step.withinMs == 0) {
    met = Expect(step, &expected, &found);
  } else {
    const bool logged = step.expect == ExpectKind::Command || step.expect == ExpectKind::Key;
    m_context.session.FreeRun(true);
    met = PollUntil(step.withinMs, [&] {
      if (!logged) return Expect(step, &expected, &found);
      return m_context.host.With(
          [&](HostState& s) { return !(step.expect == ExpectKind::Command ? s.commands.empty() : s.keys.empty()); });
    });
    m_context.session.FreeRun(false);
    if (logged) met = Expect(step, &expected, &found);
  }
  if (met) return true;
  *error = "expected " + expected;
  if (step.withinMs > 0)
    *error += " within " + std::to_string(step.withinMs) + " ms, found " + found + " (" +
              std::to_string(m_context.session.Delivered() - delivered) + " messages from the surface and " +
              std::to_string(m_context.session.Refreshes() - refreshes) + " refreshes meanwhile)";
  else
    *error += ", found " + found;
  *error += "  (" + step.text + ")";
  return false;
}

bool Runner::Snapshot(const Step& step, std::string* error) {
  const SurfaceState surface = m_context.hardware.State();
  HostSummary summary;
  summary.bank = m_context.bank;
  for (int p = 0; p < STRIPS_PER_BANK; ++p) {
    if (surface.ch15[LED_SELECT + p]) summary.selectedStrip = m_context.bank * STRIPS_PER_BANK + p;
    if (surface.ch15[LED_KNOB_STRIP + p]) summary.knobStrip = m_context.bank * STRIPS_PER_BANK + p;
  }
  m_context.host.With([&](HostState& s) {
    char line[160];
    std::snprintf(line, sizeof line, "transport %s, now %lld, %zu markers, %d takes, punch %lld..%lld",
                  s.recording ? "recording"
                  : s.playing ? "playing"
                              : "stopped",
                  static_cast<long long>(s.now), s.markers.size(), s.takes, static_cast<long long>(s.punchIn),
                  static_cast<long long>(s.punchOut));
    summary.lines.push_back(line);
    std::snprintf(line, sizeof line, "mixer: %d strips, bank %d (strips %d..%d)", s.stripCount, m_context.bank,
                  m_context.bank * STRIPS_PER_BANK, m_context.bank * STRIPS_PER_BANK + 31);
    summary.lines.push_back(line);
    for (int p = 0; p < STRIPS_PER_BANK; ++p) {
      const int i = m_context.bank * STRIPS_PER_BANK + p;
      if (i >= s.stripCount) break;
      const HostStrip& strip = s.strips[i];
      std::snprintf(line, sizeof line, "strip %3d  vol %.3f  pan %.2f  %s%s%s%s", i, static_cast<double>(strip.volume),
                    static_cast<double>(strip.pan), SwitchOn(strip.mute) ? "M" : "-", SwitchOn(strip.solo) ? "S" : "-",
                    SwitchOn(strip.arm) ? "R" : "-", strip.armed[2][0] ? "A" : "-");
      summary.lines.push_back(line);
    }
  });
  const std::string base = m_context.snapshotDir + "/" + step.word;
  if (!WriteSnapshot(surface, summary, base + ".svg", base + ".png")) {
    *error = "snapshot " + step.word + " could not be written to " + base + ".svg";
    return false;
  }
  m_context.monitor.Print("snapshot " + step.word + ": " + base + ".svg");
  return true;
}

// A gesture on the hardware: the messages it sends, on the MIDI thread.
void Runner::Gesture(const Step& step) {
  Emit(GestureMessages(m_context.hardware, step), step.kind == StepKind::Move && step.overMs > 0);
  if (step.kind == StepKind::Press) FollowBank(*step.control);
}

// The host edits one byte of the surface's stored settings and loads them back.
bool Runner::Option(const Step& step, std::string* error) {
  uint8_t settings[PROJECT_SETTINGS_SIZE];
  if (!SaveSettings(m_context.surface, settings, error)) return false;
  settings[step.optionByte] = static_cast<uint8_t>(step.optionValue);
  if (!LoadSettings(m_context.surface, settings, error)) return false;
  std::copy(settings, settings + PROJECT_SETTINGS_SIZE, m_context.settings);
  return true;
}

// Runs one step; false with `error` when it could not be done.
bool Runner::Act(const Step& step, std::string* error) {
  if (IsGesture(step.kind)) {
    Gesture(step);
    return true;
  }
  switch (step.kind) {
    case StepKind::Host:
      HostStep(step);
      return true;
    case StepKind::Option:
      return Option(step, error);
    case StepKind::Save:
      if (m_context.saveProject) return m_context.saveProject(error);
      *error = "save needs --project FILE";
      return false;
    case StepKind::Wait:
      m_context.session.FreeRun(true);
      std::this_thread::sleep_for(std::chrono::milliseconds(step.overMs));
      m_context.session.FreeRun(false);
      return true;
    case StepKind::Refresh:
      m_context.session.Refresh(step.amount, static_cast<uint32_t>(step.refreshKind));
      return true;
    case StepKind::Expect:
      return Check(step, error);
    case StepKind::Port:
      if (m_context.ports != nullptr) return m_context.ports->ChoosePort(step.on, step.word, error);
      *error = "this run has no MIDI ports to choose";
      return false;
    case StepKind::Snapshot:
      return Snapshot(step, error);
    case StepKind::Say:
      m_context.monitor.Print(step.word);
      return true;
    default:
      *error = "this step goes through the window: it runs only in --window-test";
      return false;
  }
}

bool Runner::Run(const Step& step, std::string* failure) {
  const std::string where = step.file + ":" + std::to_string(step.line) + ": ";
  if (step.kind != StepKind::Say) m_context.monitor.Note(step.text);
  std::string error;
  const bool ok = Act(step, &error);
  const std::vector<std::string> errors = m_context.host.TakeErrors();
  if (!errors.empty()) {
    *failure = where + "error of the run: " + errors.front();
    return false;
  }
  if (!ok) *failure = where + error;
  return ok;
}

}  // namespace sim
