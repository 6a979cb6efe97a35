#include "run/runner.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

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

std::string Runner::Display() const {
  std::string text;
  text += DigitChar(m_context.hardware.Light(STATUS_CH15, DIGIT_LEFT));
  text += DigitChar(m_context.hardware.Light(STATUS_CH15, DIGIT_RIGHT));
  return text;
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

bool Runner::Expect(const Step& step, std::string* expected, std::string* found) {
  Hardware& hardware = m_context.hardware;
  switch (step.expect) {
    case ExpectKind::Led: {
      const Address light = step.light->light;
      const auto controller = static_cast<uint8_t>(light.controller + (step.light->perStrip ? step.position : 0));
      const bool lit = hardware.Light(light.status, controller) != 0;
      *expected = OnOff(step.on);
      *found = OnOff(lit);
      return lit == step.on;
    }
    case ExpectKind::Display:
      *expected = "\"" + step.word + "\"";
      *found = std::string("\"").append(Display()).append("\"");
      return *expected == *found;
    case ExpectKind::Arrow: {
      const bool up = hardware.Light(STATUS_CH15, LED_ARROW_UP) != 0;
      const bool down = hardware.Light(STATUS_CH15, LED_ARROW_DOWN) != 0;
      *found = up && down ? "both" : up ? "up" : down ? "down" : "none";
      *expected = step.word;
      return SameWord(*found, *expected);
    }
    case ExpectKind::Fader:
      *expected = std::to_string(step.to);
      *found = std::to_string(hardware.FaderPosition(step.position));
      return *expected == *found;
    default:
      break;
  }
  return m_context.host.With([&](HostState& s) {
    switch (step.expect) {
      case ExpectKind::Command:
        *expected = "command " + step.word;
        *found = s.commands.empty() ? "no command" : "command " + CommandName(s.commands.front());
        if (s.commands.empty()) return false;
        {
          const uint32_t id = s.commands.front();
          s.commands.pop_front();
          return CommandMatches(id, step.word);
        }
      case ExpectKind::NoCommand:
        *expected = "no command";
        *found = s.commands.empty() ? "no command" : "command " + CommandName(s.commands.front());
        return s.commands.empty();
      case ExpectKind::Key:
        *expected = "key " + step.word;
        *found = s.keys.empty() ? "no key" : "key " + s.keys.front();
        if (s.keys.empty()) return false;
        {
          const std::string key = s.keys.front();
          s.keys.pop_front();
          return SameWord(key, step.word);
        }
      case ExpectKind::NoKey:
        *expected = "no key";
        *found = s.keys.empty() ? "no key" : "key " + s.keys.front();
        return s.keys.empty();
      case ExpectKind::Now:
        *expected = std::to_string(static_cast<long long>(step.number));
        *found = std::to_string(s.now);
        return *expected == *found;
      default:
        break;
    }
    // Host state.
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
    switch (step.field) {
      case HostField::AutoArm:
        *expected = OnOff(step.on);
        *found = OnOff(strip.armed[2][0]);  // the mute parameter's arm, as the LED shows
        return strip.armed[2][0] == step.on;
      case HostField::Playing:
      case HostField::Recording:
      case HostField::Stopped: {
        *found = s.recording ? "recording" : s.playing ? "playing" : "stopped";
        *expected = step.field == HostField::Playing     ? "playing"
                    : step.field == HostField::Recording ? "recording"
                                                         : "stopped";
        return *found == *expected;
      }
      case HostField::Markers:
        *expected = std::to_string(static_cast<int>(step.number)) + " markers";
        *found = std::to_string(s.markers.size()) + " markers";
        return *expected == *found;
      case HostField::PunchIn:
      case HostField::PunchOut:
        *expected = std::to_string(static_cast<long long>(step.number));
        *found = std::to_string(step.field == HostField::PunchIn ? s.punchIn : s.punchOut);
        return *expected == *found;
      case HostField::RecordMode:
        *expected = step.word;
        *found = s.recordMode ? "sos" : "overwrite";
        return SameWord(*expected, *found);
      case HostField::Strips:
        *expected = std::to_string(static_cast<int>(step.number)) + " strips";
        *found = std::to_string(s.stripCount) + " strips";
        return *expected == *found;
      default:
        *expected = *found = "?";
        return false;
    }
  });
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

bool Runner::Run(const Step& step, std::string* failure) {
  const std::string where = step.file + ":" + std::to_string(step.line) + ": ";
  if (step.kind != StepKind::Say) m_context.monitor.Note(step.text);
  std::string error;
  bool ok = true;
  switch (step.kind) {
    case StepKind::Move:
      Emit(m_context.hardware.Move(*step.control, step.position, step.from, step.to, step.overMs), step.overMs > 0);
      break;
    case StepKind::Press:
      Emit(m_context.hardware.Press(*step.control, step.position), false);
      FollowBank(*step.control);
      break;
    case StepKind::Hold:
      Emit(m_context.hardware.Hold(*step.control), false);
      break;
    case StepKind::Release:
      Emit(m_context.hardware.Release(*step.control), false);
      break;
    case StepKind::Jog:
      Emit(m_context.hardware.Jog(step.amount), false);
      break;
    case StepKind::Shuttle:
      Emit(Hardware::Shuttle(step.amount), false);
      break;
    case StepKind::Raw: {
      Emission emission;
      emission.word = Pack(step.bytes[0], step.bytes[1], step.bytes[2]);
      Emit({emission}, false);
      break;
    }
    case StepKind::Sysex: {
      Emission emission;
      emission.bytes = step.bytes;
      Emit({emission}, false);
      break;
    }
    case StepKind::Host:
      HostStep(step);
      break;
    case StepKind::Option: {
      uint8_t settings[PROJECT_SETTINGS_SIZE];
      ok = SaveSettings(m_context.surface, settings, &error);
      if (ok) {
        settings[step.optionByte] = static_cast<uint8_t>(step.optionValue);
        ok = LoadSettings(m_context.surface, settings, &error);
      }
      if (ok) std::copy(settings, settings + PROJECT_SETTINGS_SIZE, m_context.settings);
      break;
    }
    case StepKind::Save:
      if (!m_context.saveProject) {
        ok = false;
        error = "save needs --project FILE";
      } else {
        ok = m_context.saveProject(&error);
      }
      break;
    case StepKind::Wait:
      m_context.session.FreeRun(true);
      std::this_thread::sleep_for(std::chrono::milliseconds(step.overMs));
      m_context.session.FreeRun(false);
      break;
    case StepKind::Refresh:
      m_context.session.Refresh(step.amount, static_cast<uint32_t>(step.refreshKind));
      break;
    case StepKind::Expect: {
      std::string expected, found;
      if (!Expect(step, &expected, &found)) {
        *failure = where + "expected " + expected + ", found " + found + "  (" + step.text + ")";
        return false;
      }
      break;
    }
    case StepKind::Snapshot:
      ok = Snapshot(step, &error);
      break;
    case StepKind::Say:
      m_context.monitor.Print(step.word);
      break;
  }
  const std::vector<std::string> errors = m_context.host.TakeErrors();
  if (!errors.empty()) {
    *failure = where + "error of the run: " + errors.front();
    return false;
  }
  if (!ok) *failure = where + error;
  return ok;
}

}  // namespace sim
