// How long the real path through MIDI ports takes, both ways, with the
// shipped Tavrel.dll under the simulator's host and the surface's two ports
// in the same process, so that one clock (QueryPerformanceCounter) stamps
// both ends:
//   (a) a fader message sent on the surface's side until the host model
//       takes the plug-in's SetParam;
//   (b) a change on the host's side (a mute) until the LED message arrives
//       on the surface's side, which waits for the host's next refresh, and
//       the part of it from the plug-in's SendShortMessage to the arrival.
// One message is in flight at a time. Run by `make bench` in a Wine session
// with the tests' loopback cable (scripts/bench.sh):
//   cable_bench --dll PATH [--count N] [--refresh-ms P]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "midi_map.h"
#include "run/attachment.h"
#include "run/loader.h"
#include "run/midi_ports.h"
#include "run/session.h"

namespace {

using namespace sim;

constexpr char kHostIn[] = "Tavrel Loop A", kHostOut[] = "Tavrel Loop B";  // the surface's ends are the other ends
constexpr DWORD kPatienceMs = 5000;                                        // a lost message, never a measure
constexpr int kWarmUp = 200;

int64_t Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Microseconds(int64_t ticks) {
  static const double perTick = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 / static_cast<double>(frequency.QuadPart);
  }();
  return static_cast<double>(ticks) * perTick;
}

// A stamp taken on another thread, and the wake-up of the thread that waits for it.
struct Arrival {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int64_t> at{0};
  std::atomic<uint32_t> awaited{0};  // the message word that counts, 0 for any
  void Stamp() {
    at = Now();
    SetEvent(event);
  }
  bool Wait() { return WaitForSingleObject(event, kPatienceMs) == WAIT_OBJECT_0; }
};

// The host's monitor sees each message at the surface object's door: the
// surface's message just before OnShortMidi, the plug-in's just before the
// output port.
class DoorStamps : public MidiTap {
 public:
  explicit DoorStamps(Arrival& led) : m_led(led) {}
  void TapIn(uint32_t, const std::vector<uint8_t>*) override { m_in = Now(); }
  void TapOut(uint32_t word) override {
    if (word == m_led.awaited) m_out = Now();
  }
  int64_t In() const { return m_in; }
  int64_t Out() const { return m_out; }

 private:
  Arrival& m_led;
  std::atomic<int64_t> m_in{0}, m_out{0};
};

struct Figures {
  std::vector<double> us;
  int lost = 0;
  void Add(double value) { us.push_back(value); }
  std::string Text() {
    if (us.empty()) return "no sample";
    std::sort(us.begin(), us.end());
    const double median = us[us.size() / 2];
    const double p99 = us[(us.size() * 99 + 99) / 100 - 1];
    char text[160];
    std::snprintf(text, sizeof text, "median %.1f us, 99th percentile %.1f us (%zu messages%s)", median, p99, us.size(),
                  lost ? ", some lost" : "");
    return text;
  }
};

struct Options {
  std::string dll;
  int count = 10000;
  int refreshMs = 5;
};

bool Parse(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--dll") == 0)
      options->dll = argv[i + 1];
    else if (std::strcmp(argv[i], "--count") == 0)
      options->count = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--refresh-ms") == 0)
      options->refreshMs = std::atoi(argv[i + 1]);
    else
      return false;
  }
  return argc % 2 == 1 && !options->dll.empty() && options->count > 0 && options->refreshMs > 0;
}

// Both ends of the cable and the host between them.
struct Rig {
  Monitor monitor;
  Hardware hostSide;  // the lights as the plug-in set them, which the host model keeps
  HostModel host{monitor, hostSide};
  Arrival setParam, led;
  DoorStamps door{led};
  std::atomic<int64_t> taken{0};  // the host's input port handed the message to the session
  MidiOutputPort hostOut, surfaceOut{true};
  MidiInputPort hostIn, surfaceIn;
  std::unique_ptr<Session> session;
};

bool Start(Rig& rig, IControlSurface* surface, int refreshMs, bool* attached, std::string* error) {
  rig.host.ObserveSetParam([&rig](DWORD strip, DWORD param) {
    if (strip == 0 && param == MIX_PARAM_VOL) rig.setParam.Stamp();
  });
  rig.monitor.AddTap(&rig.door);
  rig.monitor.AddTap(&rig.hostOut);
  rig.host.ExpectCookie(reinterpret_cast<ULONG_PTR>(surface));
  if (!rig.hostOut.Open(kHostOut, nullptr, error) || !rig.surfaceOut.Open(kHostIn, nullptr, error)) return false;
  if (!(*attached = AttachSurface(surface, rig.host, rig.monitor, error))) return false;
  rig.session = std::make_unique<Session>(surface, rig.monitor, refreshMs);
  rig.session->Refresh(1, 0);  // ready, and fader 0 meets the host's volume 0
  Session* session = rig.session.get();
  return rig.hostIn.Open(
             kHostIn,
             [session, &rig](uint32_t word, const std::vector<uint8_t>* sysex) {
               rig.taken = Now();
               return DeliverToSession(*session, word, sysex);
             },
             nullptr, error) &&
         rig.surfaceIn.Open(
             kHostOut,
             [&rig](uint32_t word, const std::vector<uint8_t>*) {
               if (word == rig.led.awaited) rig.led.Stamp();
               return true;
             },
             nullptr, error);
}

// (a) fader 0 of the surface, a value that differs each time, until SetParam;
// and its parts: the cable up to the host's input port's thread, the
// session's queue up to OnShortMidi, the plug-in up to SetParam.
struct FaderFigures {
  Figures total, cable, queue, plugin;
};
void FaderToSetParam(Rig& rig, int count, FaderFigures* figures) {
  for (int i = 0; i < kWarmUp + count; ++i) {
    const uint32_t word = midi::Pack(midi::STATUS_CH16, 0, static_cast<uint8_t>(1 + i % 127));
    const int64_t start = Now();
    rig.surfaceOut.TapIn(word, nullptr);
    if (!rig.setParam.Wait()) {
      ++figures->total.lost;
      continue;
    }
    if (i < kWarmUp) continue;
    figures->total.Add(Microseconds(rig.setParam.at - start));
    figures->cable.Add(Microseconds(rig.taken - start));
    figures->queue.Add(Microseconds(rig.door.In() - rig.taken));
    figures->plugin.Add(Microseconds(rig.setParam.at - rig.door.In()));
  }
}

// Waits a time drawn evenly from 0..`ms`, so that a host change falls
// anywhere in the refresh period (the last wait ended at a refresh).
void SomewhereInThePeriod(int ms, uint32_t* seed) {
  *seed = *seed * 1664525u + 1013904223u;
  const int64_t until =
      Now() + static_cast<int64_t>(static_cast<double>(*seed >> 8) / (1u << 24) * ms * 1000.0 / Microseconds(1));
  while (Now() < until) Sleep(Microseconds(until - Now()) > 1500 ? 1 : 0);
}

// (b) the host mutes and unmutes strip 1, until the mute LED arrives; and
// its part from the plug-in's message to the arrival.
void HostChangeToLed(Rig& rig, int count, int refreshMs, Figures* total, Figures* wire) {
  uint32_t seed = 20261209;
  for (int i = 0; i < kWarmUp + count; ++i) {
    const bool on = i % 2 == 0;
    rig.led.awaited = midi::Pack(midi::STATUS_CH14, 1, on ? 127 : 0);
    SomewhereInThePeriod(refreshMs, &seed);
    const int64_t start = Now();
    rig.host.With([on](HostState& s) { s.strips[1].mute = on ? 1.0f : 0.0f; });
    if (!rig.led.Wait()) {
      ++total->lost;
      continue;
    }
    if (i < kWarmUp) continue;
    total->Add(Microseconds(rig.led.at - start));
    wire->Add(Microseconds(rig.led.at - rig.door.Out()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) {
    std::fprintf(stderr, "usage: cable_bench --dll PATH [--count N] [--refresh-ms P]\n");
    return 2;
  }
  CoInitialize(nullptr);
  LoadedSurface loaded;
  std::string error;
  if (!LoadSurface(options.dll, "", "", false, &loaded, &error)) {
    std::fprintf(stderr, "cable_bench: %s\n", error.c_str());
    return 2;
  }
  int result = 0;
  {
    Rig rig;
    bool attached = false;
    if (Start(rig, loaded.surface, options.refreshMs, &attached, &error)) {
      rig.session->FreeRun(true);
      FaderFigures fader;
      Figures led, wire;
      FaderToSetParam(rig, options.count, &fader);
      HostChangeToLed(rig, options.count, options.refreshMs, &led, &wire);
      std::printf("through %s and %s, one process, one message in flight, refresh every %d ms:\n", kHostIn, kHostOut,
                  options.refreshMs);
      std::printf("  (a) fader message on the surface -> the host's SetParam: %s\n", fader.total.Text().c_str());
      std::printf("      the cable, to the host's input port thread:         %s\n", fader.cable.Text().c_str());
      std::printf("      the session's queue, to OnShortMidi:                %s\n", fader.queue.Text().c_str());
      std::printf("      the plug-in, to SetParam:                           %s\n", fader.plugin.Text().c_str());
      std::printf("  (b) the host's change -> its LED on the surface:          %s\n", led.Text().c_str());
      std::printf("      (waits for the next refresh: %.1f ms on average)\n", options.refreshMs / 2.0);
      std::printf("      the plug-in's message -> the surface:               %s\n", wire.Text().c_str());
      result = fader.total.lost || led.lost ? 1 : 0;
      rig.session->FreeRun(false);
    } else {
      std::fprintf(stderr, "cable_bench: %s\n", error.c_str());
      result = 2;
    }
    rig.hostIn.Close();
    rig.surfaceIn.Close();
    rig.session.reset();
    if (attached) DetachSurface(loaded.surface, rig.monitor);
  }
  UnloadSurface(&loaded);
  CoUninitialize();
  return result;
}
