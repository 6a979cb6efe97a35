// The simulator's host model as the plug-in meets it: one row per kind of
// call that breaks the contract, each answered by exactly one error of the
// run, and the calls that keep it answered by none.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "model/host_model.h"

namespace {

struct Host {
  sim::Monitor monitor;
  sim::Hardware hardware;
  sim::HostModel model{monitor, hardware};
  IHostMidiOut* midi = Get<IHostMidiOut>(IID_IHostMidiOut);
  IHostKeyboard* keys = Get<IHostKeyboard>(IID_IHostKeyboard);
  IHostCommands* commands = Get<IHostCommands>(IID_IHostCommands);
  IHostMixer* mixer = Get<IHostMixer>(IID_IHostMixer);
  IHostTransport* transport = Get<IHostTransport>(IID_IHostTransport);

  Host() { model.ExpectCookie(42); }
  template <class I>
  I* Get(REFIID iid) {
    void* out = nullptr;
    EXPECT_EQ(model.QueryHost(iid, &out), S_OK);
    return static_cast<I*>(out);
  }
};

TimeRecord Record(uint32_t format) {
  TimeRecord record{};
  record.format = format;
  return record;
}

struct Row {
  const char* call;
  std::function<void(Host&)> make;
  const char* error;  // part of the one error of the run; null: none
};

const Row kRows[] = {
    {"a fader's level", [](Host& h) { h.mixer->SetParam(0, 3, MIX_PARAM_VOL, 0, 0.5f, 1); }, nullptr},
    {"a send's level", [](Host& h) { h.mixer->SetParam(0, 3, MIX_PARAM_SEND_PAN, 7, 1.0f, 1); }, nullptr},
    {"an LED", [](Host& h) { h.midi->SendShortMessage(42, 0x7F03BD); }, nullptr},
    {"a time",
     [](Host& h) {
       TimeRecord r = Record(TIME_FORMAT_POSITION);
       h.transport->GetNowTime(TIME_NOW, &r);
     },
     nullptr},
    {"status 0xBF", [](Host& h) { h.midi->SendShortMessage(42, 0x0003BF); }, "a status other than 0xBD or 0xBE"},
    {"data byte 0x80", [](Host& h) { h.midi->SendShortMessage(42, 0x8003BD); }, "a data byte of 128 or more"},
    {"high byte", [](Host& h) { h.midi->SendShortMessage(42, 0x01000000 | 0x3BD); }, "high byte set"},
    {"another cookie", [](Host& h) { h.midi->SendShortMessage(7, 0x0003BD); }, "not the surface's"},
    {"key kind 0", [](Host& h) { h.keys->SendKey('T', 0); }, "key event kind"},
    {"mixer kind 1", [](Host& h) { h.mixer->SetParam(1, 3, MIX_PARAM_VOL, 0, 0.5f, 1); }, "a mixer kind other than 0"},
    {"strip 128", [](Host& h) { h.mixer->SetArm(0, 128, MIX_PARAM_MUTE, 0, 1); }, "a strip of 128 or more"},
    {"unknown parameter",
     [](Host& h) {
       float v;
       h.mixer->GetParam(0, 1, 4, 0, &v);
     },
     "a parameter the mixer does not have"},
    {"index on volume", [](Host& h) { h.mixer->SetParam(0, 1, MIX_PARAM_VOL, 1, 0.5f, 1); }, "an index on a parameter"},
    {"send index 8", [](Host& h) { h.mixer->SetParam(0, 1, MIX_PARAM_SEND_VOL, 8, 0.5f, 1); }, "a send index of 8"},
    {"level 1.5", [](Host& h) { h.mixer->SetParam(0, 1, MIX_PARAM_VOL, 0, 1.5f, 1); }, "outside 0..1"},
    {"flag 0", [](Host& h) { h.mixer->SetParam(0, 1, MIX_PARAM_VOL, 0, 0.5f, 0); }, "flag 0, not 1"},
    {"strip count without a count", [](Host& h) { h.mixer->GetStripCount(0, nullptr); }, "no count"},
    {"transport state 2",
     [](Host& h) {
       DWORD on;
       h.transport->GetState(2, &on);
     },
     "outside the contract"},
    {"time format 1",
     [](Host& h) {
       TimeRecord r = Record(1);
       h.transport->SetNowTime(TIME_NOW, &r);
     },
     "a time format other than 2 or 3"},
    {"time 1",
     [](Host& h) {
       TimeRecord r = Record(TIME_FORMAT_LOCATE);
       h.transport->GetNowTime(1, &r);
     },
     "a time other than now"},
    {"no time record", [](Host& h) { h.transport->SetNowTime(TIME_NOW, nullptr); }, "no time record"},
    {"placeholder of the mixer", [](Host& h) { h.mixer->Slot5Placeholder(); }, "IHostMixer called at position 5"},
    {"placeholder of the commands", [](Host& h) { h.commands->Slot3Placeholder(); },
     "IHostCommands called at position 3"},
    {"a release too many",
     [](Host& h) {
       h.keys->Release();
       h.keys->Release();
     },
     "released more often than it was obtained"},
};

TEST(HostModel, AnswersEveryBreachWithOneErrorOfTheRun) {
  for (const Row& row : kRows) {
    Host host;
    row.make(host);
    const std::vector<std::string> errors = host.model.TakeErrors();
    if (row.error == nullptr) {
      EXPECT_TRUE(errors.empty()) << row.call << ": " << (errors.empty() ? "" : errors[0]);
      continue;
    }
    ASSERT_EQ(errors.size(), 1u) << row.call;
    EXPECT_NE(errors[0].find(row.error), std::string::npos) << row.call << " gave " << errors[0];
  }
}

// What the host does with what it is told: levels land on the strip, LEDs
// on the hardware, the measure step stays inside the host's times.
TEST(HostModel, KeepsWhatTheSurfaceSets) {
  Host host;
  host.mixer->SetParam(0, 3, MIX_PARAM_SEND_VOL, 2, 0.25f, 1);
  host.midi->SendShortMessage(42, 0x7F03BD);
  EXPECT_EQ(host.hardware.Light(0xBD, 0x03), 0x7F);
  host.model.With([](sim::HostState& s) {
    EXPECT_EQ(s.strips[3].sendVolume[2], 0.25f);
    s.now = INT64_MAX - 5;  // past the host's times, as a surface may set with a 64-bit time
  });
  host.model.Command(COMMAND_NEXT_MEASURE);
  EXPECT_EQ(host.model.With([](sim::HostState& s) { return s.now; }), INT64_MAX - 5);
  EXPECT_TRUE(host.model.TakeErrors().empty());
}

}  // namespace
