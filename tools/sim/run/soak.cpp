#include "run/soak.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "midi_map.h"
#include "surface_config.h"

using namespace midi;

namespace sim {
namespace {

// One random step, as a line of the script language, so that a failing run
// can be replayed as it was played.
// Faders and knobs move a short way from where they are, as hands do between
// two refreshes.
struct Positions {
  int faders[STRIPS_PER_BANK] = {};
  int knobs[6] = {};
};

int Near(std::mt19937& random, int* position) {
  *position = std::clamp(*position + std::uniform_int_distribution<int>(-12, 12)(random), 0, 127);
  return *position;
}

std::string RandomLine(std::mt19937& random, Positions& positions) {
  auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  auto n = [](int value) { return std::to_string(value); };
  static const char* const kButtons[] = {"mute", "solo", "arm", "auto", "select", "knobstrip"};
  static const char* const kKeys[] = {"F1", "F2",   "F3",     "F4",    "F5",         "F6",    "F7",
                                      "F8", "F9",   "rewind", "play",  "forward",    "stop",  "record",
                                      "up", "down", "left",   "right", "footswitch", "key50", "key51"};
  static const char* const kKnobs[] = {"pan", "A", "B", "C", "D", "E"};
  static const char* const kLevels[] = {"volume", "pan", "send", "sendpan"};
  static const char* const kSwitches[] = {"mute", "solo", "arm", "autoarm"};
  const int roll = pick(0, 99);
  if (roll < 20) {
    const int fader = pick(0, 31);
    return "fader " + n(fader) + " " + n(Near(random, &positions.faders[fader]));
  }
  if (roll < 40) return std::string("press ") + kButtons[pick(0, 5)] + " " + n(pick(0, 31));
  if (roll < 55) return std::string("press ") + kKeys[pick(0, 20)];
  if (roll < 62) {
    const int knob = pick(0, 5);
    return std::string("knob ") + kKnobs[knob] + " " + n(Near(random, &positions.knobs[knob]));
  }
  if (roll < 65) return "jog " + n(pick(-12, 12));
  if (roll < 67) return "shuttle " + n(pick(-8191, 8191));
  if (roll < 69) return pick(0, 1) ? "hold store" : "release store";
  if (roll < 79) {
    const char* field = kLevels[pick(0, 3)];
    const bool send = field[0] == 's';
    std::string line = std::string("host ").append(field).append(" ").append(n(pick(0, 127)));
    if (send) line.append(" ").append(n(pick(1, 5)));
    char level[16];
    std::snprintf(level, sizeof level, " %.3f", pick(0, 1000) / 1000.0);
    return line.append(level);
  }
  if (roll < 91)
    return std::string("host ") + kSwitches[pick(0, 3)] + " " + n(pick(0, 127)) + (pick(0, 1) ? " on" : " off");
  if (roll < 94) {
    static const char* const kTransport[] = {"host play", "host stop", "host record"};
    return kTransport[pick(0, 2)];
  }
  if (roll < 96) return pick(0, 1) ? "host blink on" : "host blink off";
  if (roll < 97) return "host strips " + n(pick(1, 128));
  if (roll < 98) return pick(0, 1) ? "option cursor bank" : "option cursor measure";
  if (roll < 99) return pick(0, 1) ? "option locate automation" : "option locate position";
  return "option footswitch " + std::string(pick(0, 1) ? "stop" : "undo");
}

struct Watch {
  // The store key's light shares the solo-1 address and stays lit while the
  // key is held, whatever the host says about that strip's solo.
  bool storeHeld = false;
  // A bank change darkens the play and record LEDs until the transport next
  // changes; a blink leaves the record LED as it was until recording changes.
  bool playStale = false, recordStale = false;
  bool wasPlaying = false, wasRecording = false;
};

// After a refresh: every mute, solo, record-arm and automation-arm LED of
// the window matches the host, and the play and record LEDs the transport.
// On a mismatch, `expectation` is the script line that checks what failed.
bool Check(RunContext& context, Watch& watch, std::string* mismatch, std::string* expectation) {
  return context.host.With([&](HostState& s) {
    if (s.playing != watch.wasPlaying) watch.playStale = false;
    if (s.recording != watch.wasRecording) watch.recordStale = false;
    watch.wasPlaying = s.playing;
    watch.wasRecording = s.recording;
    if (s.blink) watch.recordStale = true;
    if (s.stripCountFails) return true;  // the refresh does nothing then
    const bool automationMode = context.settings[CONFIG_LOCATE_BUTTONS] == 0;
    for (int p = 0; p < STRIPS_PER_BANK; ++p) {
      const int i = context.bank * STRIPS_PER_BANK + p;
      const bool exists = i < s.stripCount;
      const HostStrip& strip = s.strips[i];
      const bool armed = exists && strip.armed[2][0], soloed = exists && SwitchOn(strip.solo);
      struct Row {
        const char* name;
        uint8_t base;
        bool want;
        bool skip;
      };
      const Row rows[] = {
          {"mute", LED_MUTE, exists && SwitchOn(strip.mute), false},
          {"solo", LED_SOLO, soloed, watch.storeHeld && LED_SOLO + p == LED_STORE},
          {"arm", LED_REC_ARM, exists && SwitchOn(strip.arm), false},
          {"auto", LED_AUTO_ARM, armed, !automationMode},
      };
      for (const Row& row : rows) {
        if (row.skip) continue;
        const bool lit = context.hardware.Light(STATUS_CH14, static_cast<uint8_t>(row.base + p)) != 0;
        if (lit != row.want) {
          *expectation = std::string("expect led ") + row.name + " " + std::to_string(p) + (row.want ? " on" : " off");
          *mismatch = std::string(row.name) + " LED " + std::to_string(p) + " (host strip " + std::to_string(i) +
                      ") is " + (lit ? "on" : "off") + ", the host says " + (row.want ? "on" : "off");
          return false;
        }
      }
    }
    {
      const bool play = context.hardware.Light(STATUS_CH15, LED_PLAY) != 0;
      if (!watch.playStale && play != s.playing) {
        *expectation = s.playing ? "expect led play on" : "expect led play off";
        *mismatch = std::string("play LED is ") + (play ? "on" : "off") + ", the host is " +
                    (s.playing ? "playing" : "stopped");
        return false;
      }
      const bool record = context.hardware.Light(STATUS_CH15, LED_RECORD) != 0;
      if (!watch.recordStale && record != s.recording) {
        *expectation = s.recording ? "expect led record on" : "expect led record off";
        *mismatch = std::string("record LED is ") + (record ? "on" : "off") + ", the host is " +
                    (s.recording ? "recording" : "not recording");
        return false;
      }
    }
    return true;
  });
}

// Plays one random step, refreshes, and checks; false with why it failed
// (and the expectation that shows it, for the replay).
bool SoakStep(RunContext& context, Runner& runner, Watch& watch, const std::string& line, std::string* failure,
              std::string* expectation) {
  const ParseResult parsed = ParseScript("soak", line);
  if (!parsed.errors.empty()) {
    *failure = parsed.errors.front();
    return false;
  }
  for (const Step& step : parsed.steps) {
    const bool storeKey =
        step.control != nullptr && step.control->status == STATUS_CH15 && step.control->controller == CC_STORE_KEY;
    if (storeKey && (step.kind == StepKind::Hold || step.kind == StepKind::Release))
      watch.storeHeld = step.kind == StepKind::Hold;
    if (step.kind == StepKind::Press && step.control->status == STATUS_CH15 &&
        (step.control->controller == CC_CURSOR_LEFT || step.control->controller == CC_CURSOR_RIGHT) &&
        context.settings[CONFIG_CURSOR_LEFT_RIGHT] != 0) {
      watch.playStale = watch.recordStale = true;
    }
    if (!runner.Run(step, failure)) return false;
  }
  context.session.Refresh(1, 0);
  if (!Check(context, watch, failure, expectation)) return false;
  const std::vector<std::string> errors = context.host.TakeErrors();
  if (errors.empty()) return true;
  *failure = "error of the run: " + errors.front();
  return false;
}

// The script that replays a failed run up to its failure, in the current folder.
void WriteReplay(RunContext& context, uint32_t seed, long step, const std::string& failure,
                 const std::string& expectation, const std::vector<std::string>& played) {
  const std::string replay = "soak-replay-" + std::to_string(seed) + ".txt";
  std::ofstream out(replay);
  out << "# soak seed " << seed << ", failed at step " << step << ": " << failure << "\n";
  for (const std::string& line : played) out << line << "\nrefresh\n";
  if (!expectation.empty()) out << expectation << "\n";
  context.monitor.Print("soak: seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + failure);
  context.monitor.Print("soak: the script that replays it: " + replay);
}

}  // namespace

int RunSoak(RunContext& context, Runner& runner, long steps, uint32_t seed) {
  std::mt19937 random(seed);
  Watch watch;
  Positions positions;
  const uint64_t inBefore = context.session.Delivered();
  const uint64_t outBefore = context.host.MessagesOut();
  // Start with the automation-arm row as such; the soak switches it to the
  // locate buttons and back now and then.
  std::vector<std::string> played = {"option locate automation"};
  std::string failure, expectation;
  for (const Step& step : ParseScript("soak", played.front()).steps)
    if (!runner.Run(step, &failure)) {
      context.monitor.Print("soak: " + failure);
      return 1;
    }
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < steps; ++i) {
    played.push_back(RandomLine(random, positions));
    if (!SoakStep(context, runner, watch, played.back(), &failure, &expectation)) {
      WriteReplay(context, seed, i + 1, failure, expectation, played);
      return 1;
    }
    // The played history only needs to reach back to the start for a replay;
    // keep it bounded for long runs.
    if (played.size() > 200000) played.erase(played.begin(), played.begin() + 100000);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t out = context.host.MessagesOut() - outBefore;
  const uint64_t in = context.session.Delivered() - inBefore;
  char line[240];
  std::snprintf(
      line, sizeof line,
      "soak: %ld steps, seed %u, %llu messages in, %llu out, %llu refreshes, %.1f s, %.0f messages per second", steps,
      seed, static_cast<unsigned long long>(in), static_cast<unsigned long long>(out),
      static_cast<unsigned long long>(context.session.Refreshes()), seconds,
      seconds > 0 ? static_cast<double>(in + out) / seconds : 0.0);
  context.monitor.Print(line);
  return 0;
}

}  // namespace sim
