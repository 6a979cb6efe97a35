// A host that calls back into the surface from inside one of its own calls,
// on the same thread (the critical section lets it in).
#include <string>
#include <vector>

#include "surface_fixture.h"
#include "wire.h"

using namespace midi;

namespace {

constexpr uint8_t STOP_KEY = CC_TRANSPORT_FIRST + 3;  // runs COMMAND_STOP

class ReentryTest : public SurfaceTest {
 protected:
  void SetUp() override {
    MakeReady();
    surface->SetDefaultConfig();
    surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);  // cursor keys move the bank
  }
  // Runs `call` once, from inside the first host call whose log line starts with `trigger`.
  void OnFirst(const std::string& trigger, std::function<void()> call) {
    host.onRecord = [this, trigger, call](const std::string& line) {
      if (line.rfind(trigger, 0) != 0) return;
      const auto once = call;  // clearing the hook destroys this lambda
      host.onRecord = nullptr;
      once();
    };
  }
  // What the surface shows at an address: the last value sent there, -1 if none.
  int Shown(uint8_t status, uint8_t controller) const {
    const auto& words = host.SentWords();
    for (auto word = words.rbegin(); word != words.rend(); ++word)
      if (Unpack(*word).status == status && Unpack(*word).controller == controller) return Unpack(*word).value;
    return -1;
  }
  std::string StatusText() {
    char text[64];
    DWORD length = sizeof text;
    EXPECT_EQ(surface->QueryStatusText(text, &length), S_OK);
    return text;
  }
};

// Input that arrives during a refresh waits until the refresh has finished
// on the window it started with; then the bank moves.
TEST_F(ReentryTest, InputInsideARefreshRunsAfterIt) {
  host.SetParamValue(31, MIX_PARAM_MUTE, 0, 1.0f);
  OnFirst("GetParam strip=5", [&] { Short(0xBE, 0x55, 127); });  // cursor right
  Refresh();
  EXPECT_EQ(state.bank(), 1);
  EXPECT_EQ(state.firstStrip(), 32);
  const auto sends = host.Sends();
  ASSERT_FALSE(sends.empty());
  EXPECT_EQ(sends.front(), "send bd 1f 7f");              // strip 31's mute, from the window the refresh began with
  EXPECT_EQ(sends.back(), "send be 5e 06");               // then the bank change's sweep and "01"
  EXPECT_NE(state.stripLeds(31) & midi::LEDBIT_MUTE, 0);  // cached by the refresh of window 0
  EXPECT_EQ(state.stripLeds(63), 0);
}

// A detach from inside SendShortMessage ends the interrupted operation: no
// call reaches the host after it, and the state is the detached one.
TEST_F(ReentryTest, DetachInsideAnOperationEndsItsHostCalls) {
  host.stripCount = 64;
  for (int strip = 32; strip < 64; ++strip) host.SetParamValue(strip, MIX_PARAM_SOLO, 0, 1.0f);
  Short(0xBE, 0x55, 127);
  host.ClearLog();
  size_t linesAtDetach = 0;
  OnFirst(wire::Led(midi::STATUS_CH14, midi::LED_SOLO + 1, true), [&] {
    EXPECT_EQ(surface->DetachHost(), S_OK);
    linesAtDetach = host.Log(true).size();
  });
  Refresh();
  EXPECT_EQ(host.Log(true).size(), linesAtDetach + 1);  // + the send the detach came from
  EXPECT_EQ(state.bank(), 0);
  EXPECT_EQ(state.firstStrip(), 0);
  EXPECT_FALSE(state.HoldsMixer());
  for (auto which : {HostInterface::MidiOut, HostInterface::Mixer}) EXPECT_EQ(host.RefCount(which), 0);
}

// An attach from inside an operation supersedes it: the new host gets no
// call from the interrupted refresh, the old one no call after the attach.
TEST_F(ReentryTest, AttachInsideAnOperationSupersedesIt) {
  FakeHost other;
  size_t linesAtAttach = 0;
  OnFirst("GetParam strip=3", [&] {
    EXPECT_EQ(surface->AttachHost(&other, 0), S_OK);
    linesAtAttach = host.Log(true).size();
  });
  Refresh();
  EXPECT_EQ(host.Log(true).size(), linesAtAttach + 1);  // + the read the attach came from
  EXPECT_TRUE(other.Log(true).empty());
  EXPECT_EQ(other.RefCount(HostInterface::Mixer), 1);
  Refresh();  // the next operation runs on the new host
  EXPECT_FALSE(other.Log(true).empty());
  EXPECT_TRUE(surface->DetachHost() == S_OK);
}

// A refresh inside an operation is skipped; moves of one fader that arrive
// inside it wait as one move.
TEST_F(ReentryTest, RefreshInsideIsSkippedAndMovesOfAFaderCoalesce) {
  int inner = 0;
  host.onRecord = [&](const std::string& line) {
    if (line.rfind("SetParam", 0) != 0 || inner++ > 0) return;
    Refresh();
    for (int i = 0; i < 100; ++i) Short(0xBF, 0x00, static_cast<uint8_t>(i % 2));
  };
  Short(0xBF, 0x00, 0);  // fader 0 picked up at 0: writes the volume
  host.onRecord = nullptr;
  size_t writes = 0;
  for (const auto& line : host.Log())
    if (line.rfind("SetParam", 0) == 0) ++writes;
  EXPECT_EQ(writes, 2u);  // the outer move, and the 100 queued moves of the same fader as one
  size_t reads = 0;
  for (const auto& line : host.Log(true))
    if (line.rfind("GetState", 0) == 0) ++reads;
  EXPECT_EQ(reads, 0u);  // no refresh ran inside
}

// A re-attach from inside a refresh, with or without a detach first: the
// lights the host has switched off meanwhile go dark, and those the surface
// itself calls for (selection, knob strip) light again.
TEST_F(ReentryTest, AReattachInsideARefreshLeavesNoLightStale) {
  const std::function<void(CTavrel*, FakeHost*)> reattaches[] = {
      [](CTavrel* s, FakeHost* h) { EXPECT_EQ(s->AttachHost(h, 0), S_OK); },
      [](CTavrel* s, FakeHost* h) {
        EXPECT_EQ(s->DetachHost(), S_OK);
        EXPECT_EQ(s->AttachHost(h, 0), S_OK);
      },
  };
  const auto switchBoth = [&](float on) {
    host.SetParamValue(3, MIX_PARAM_MUTE, 0, on);
    host.SetParamValue(6, MIX_PARAM_SOLO, 0, on);
  };
  for (const auto& reattach : reattaches) {
    switchBoth(1.0f);
    Refresh();  // mute 3 and solo 6 light
    switchBoth(0.0f);
    OnFirst("GetParam strip=0", [&] { reattach(surface, &host); });
    Refresh();
    Refresh();
    EXPECT_EQ(Shown(STATUS_CH14, LED_MUTE + 3), LED_OFF);
    EXPECT_EQ(Shown(STATUS_CH14, LED_SOLO + 6), LED_OFF);
    EXPECT_EQ(Shown(STATUS_CH15, LED_SELECT + 0), LED_ON);
    EXPECT_EQ(Shown(STATUS_CH15, LED_KNOB_STRIP + 0), LED_ON);
    host.ClearLog();
    Refresh();
    EXPECT_SEQUENCE(host.Sends(), {});  // the surface is known again
  }
}

// A refresh superseded before it read a strip's volume leaves that fader's
// pick-up alone: the next move still has to meet the host's volume.
TEST_F(ReentryTest, ASupersededRefreshPicksUpNoFader) {
  host.SetParamValue(5, MIX_PARAM_VOL, 0, 0.8f);
  Refresh();
  ASSERT_EQ(state.faderPicked(5), 0);
  OnFirst("GetParam strip=0", [&] { EXPECT_EQ(surface->AttachHost(&host, 0), S_OK); });
  Refresh();
  EXPECT_EQ(state.faderPicked(5), 0);
  host.ClearLog();
  Short(STATUS_CH16, 5, 1);
  for (const std::string& line : host.Log()) EXPECT_EQ(line.rfind("SetParam", 0), std::string::npos) << line;
}

// A detach after an attach that failed at its first interface sweeps nothing
// out: the lights stay as they were, and the refresh after the next attach
// brings each of them in line with the host.
TEST_F(ReentryTest, ASweepThatCouldNotGoOutLeavesNoLightStale) {
  host.SetParamValue(3, MIX_PARAM_MUTE, 0, 1.0f);
  Refresh();
  host.Withhold(HostInterface::MidiOut);
  EXPECT_EQ(surface->AttachHost(&host, 0), E_NOINTERFACE);
  EXPECT_EQ(surface->DetachHost(), S_OK);
  host.Withhold(HostInterface::MidiOut, S_OK);
  EXPECT_EQ(surface->AttachHost(&host, 0), S_OK);
  host.SetParamValue(3, MIX_PARAM_MUTE, 0, 0.0f);
  Refresh();
  EXPECT_EQ(Shown(STATUS_CH14, LED_MUTE + 3), LED_OFF);
}

// A locate store superseded before it read the now time keeps what the slot
// held instead of storing a position it never got.
TEST_F(ReentryTest, ASupersededLocateStoreKeepsTheSlot) {
  surface->SetConfigByte(CONFIG_LOCATE_BUTTONS, 1);
  state.storeMode() = 1;
  host.position = 1234;
  Short(STATUS_CH14, CC_AUTO_ARM_FIRST + 3, 127);  // stores 1234 in slot 3
  host.position = 99;
  OnFirst("send", [&] { EXPECT_EQ(surface->AttachHost(&host, 0), S_OK); });
  Short(STATUS_CH14, CC_AUTO_ARM_FIRST + 3, 127);
  state.storeMode() = 0;
  Short(STATUS_CH14, CC_AUTO_ARM_FIRST + 3, 127);  // recalls slot 3
  EXPECT_EQ(host.position, 1234);
}

// A host that pumps its MIDI input inside GetParam: a whole fader stroke and
// a stop key press and release. The stroke is one move to where the fader
// ended; the stop key runs.
TEST_F(ReentryTest, ABurstInsideARefreshIsKeptWhole) {
  OnFirst("GetParam strip=0", [&] {
    for (int value = 1; value <= 127; ++value) Short(STATUS_CH16, 0, static_cast<uint8_t>(value));
    Short(STATUS_CH15, STOP_KEY, 127);
    Short(STATUS_CH15, STOP_KEY, 0);
  });
  Refresh();
  EXPECT_SEQUENCE(host.Log(), wire::Then(wire::Then(wire::Arrows(false, false), wire::Digits(127)),
                                         {"SetParam strip=0 param=0 index=0 value=1.0000 flag=1",
                                          "command " + std::to_string(COMMAND_STOP)}));
  EXPECT_EQ(state.faderValue(0), 127);
  EXPECT_EQ(StatusText(), "Tavrel OK");
}

// Coalesced moves meet the host's value exactly where the moves one by one
// would have: a stroke through the meeting point picks up and writes where
// it ended, a stroke that jumps over it writes nothing. Moves on either side
// of a bank change stay on their own strips.
TEST_F(ReentryTest, CoalescedMovesPickUpAsTheMovesWould) {
  struct Row {
    const char* why;
    uint8_t controller;
    DWORD strip, param;
    std::vector<uint8_t> values;
    float expected;
  };
  const float hostLevel = ValueToLevel(64);  // meets fader values 64 and 65, knob value 64
  const Row rows[] = {
      {"pan through 64", CC_PAN_KNOB, 0, MIX_PARAM_PAN, {20, 64, 100}, ValueToLevel(100)},
      {"pan past 64", CC_PAN_KNOB, 0, MIX_PARAM_PAN, {20, 63, 65, 100}, hostLevel},
      {"fader through 65", 3, 3, MIX_PARAM_VOL, {10, 40, 65, 90}, ValueToLevel(90)},
      {"fader over 64..65", 3, 3, MIX_PARAM_VOL, {10, 40, 70, 90}, hostLevel},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    host.SetParamValue(row.strip, row.param, 0, hostLevel);
    state.faderPicked(3) = 0;
    state.panPicked() = 0;
    OnFirst("GetParam strip=0", [&] {
      for (uint8_t value : row.values) Short(STATUS_CH16, row.controller, value);
    });
    Refresh();
    EXPECT_FLOAT_EQ(host.ParamValue(row.strip, row.param, 0), row.expected);
  }

  host.stripCount = 64;
  OnFirst("GetParam strip=0", [&] {
    Short(STATUS_CH16, 5, 30);
    Short(STATUS_CH15, CC_CURSOR_RIGHT, 127);
    Short(STATUS_CH16, 5, 35);
    Short(STATUS_CH16, 5, 40);
  });
  Refresh();
  EXPECT_FLOAT_EQ(host.ParamValue(5, MIX_PARAM_VOL, 0), ValueToLevel(30));
  EXPECT_FLOAT_EQ(host.ParamValue(37, MIX_PARAM_VOL, 0), ValueToLevel(40));
}

// Jog steps are events: each one moves the now time. The queue's room is
// freed as it drains, so input that keeps arriving while it drains is kept;
// what arrives at once beyond its room is counted in the status text.
TEST_F(ReentryTest, TheQueueDrainsFreeingRoomAndCountsWhatItDrops) {
  int delivered = 0;
  const auto jog = [&] {
    ++delivered;
    Short(STATUS_CH16, CC_JOG_WHEEL, 1);
  };
  host.onRecord = [&](const std::string& line) {
    if (line.rfind("GetParam strip=0 ", 0) == 0 && delivered == 0)
      for (int i = 0; i < 40; ++i) jog();
    if (line.rfind("SetNowTime", 0) == 0 && delivered < 100) jog();
  };
  Refresh();
  EXPECT_EQ(host.position, 100);
  EXPECT_EQ(StatusText(), "Tavrel OK");

  const struct {
    int burst;
    const char* text;
  } bursts[] = {{65, "Tavrel OK, 1 input dropped"}, {66, "Tavrel OK, 3 inputs dropped"}};
  for (const auto& row : bursts) {
    OnFirst("GetParam strip=0", [&] {
      for (int i = 0; i < row.burst; ++i) Short(STATUS_CH16, CC_JOG_WHEEL, 1);
    });
    Refresh();
    EXPECT_EQ(StatusText(), row.text);
  }
  EXPECT_EQ(host.position, 100 + 64 + 64);
  DWORD length = 0;
  EXPECT_EQ(surface->QueryStatusText(nullptr, &length), S_OK);
  EXPECT_EQ(length, sizeof "Tavrel OK, 3 inputs dropped");
  // A host that asked for the size before the text grew gets what fits.
  char small[11] = "##########";
  length = 10;
  EXPECT_EQ(surface->QueryStatusText(small, &length), S_OK);
  EXPECT_EQ(std::string(small, sizeof small), std::string("Tavrel OK\0\0", sizeof small));
}

// A queued key whose command makes the host attach again: input that arrives
// after that attach belongs to the new attachment and runs.
TEST_F(ReentryTest, InputForTheNewAttachmentIsKept) {
  OnFirst("GetParam strip=0", [&] {
    Short(STATUS_CH15, STOP_KEY, 127);
    OnFirst("command", [&] {
      EXPECT_EQ(surface->AttachHost(&host, 0), S_OK);
      Short(STATUS_CH16, CC_JOG_WHEEL, 1);
    });
  });
  Refresh();
  EXPECT_EQ(host.position, 1);
  EXPECT_EQ(StatusText(), "Tavrel OK");
}

}  // namespace
