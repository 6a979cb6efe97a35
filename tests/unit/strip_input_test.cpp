// Channel-strip input: fader pick-up and automatic selection, the state
// buttons, automation arm, select and knob-strip buttons, and bad input.
#include <string>
#include <vector>

#include "module_state.h"
#include "surface_fixture.h"

using namespace midi;

namespace {

class StripInputTest : public SurfaceTest {
 protected:
  void SetUp() override { MakeReady(); }

  // Makes `strip` the selected and knob strip, as the surface would show it.
  void SelectStrip(int8_t strip) {
    state.stripLeds(state.selStrip()) &= static_cast<uint8_t>(~(LEDBIT_SELECT | LEDBIT_KNOB_STRIP));
    state.selStrip() = strip;
    state.knobStrip() = strip;
    state.stripLeds(strip) |= LEDBIT_SELECT | LEDBIT_KNOB_STRIP;
  }
  void SetWindow(int bank) {
    state.bank() = bank;
    state.firstStrip() = bank * 32;
    state.lastStrip() = bank * 32 + 31;
  }
  // One message; returns the calls it made (reads left out).
  std::vector<std::string> Calls(uint8_t status, uint8_t controller, uint8_t value) {
    host.ClearLog();
    Short(status, controller, value);
    return host.Log();
  }
};

// --- faders -----------------------------------------------------------------

TEST_F(StripInputTest, UnpickedFaderMeetsTheHostVolume) {
  SelectStrip(3);  // keeps automatic selection out of the way
  struct Row {
    uint8_t value;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {63, {"send be 5d 40", "send be 5e 40", "send be 59 7f", "send be 5a 00"}},
      {64,
       {"send be 5d 40", "send be 5e 40", "send be 59 00", "send be 5a 00", "send be 5d 66", "send be 5e 3f",
        "SetParam strip=3 param=0 index=0 value=0.5039 flag=1"}},
      {65,
       {"send be 5d 40", "send be 5e 40", "send be 59 00", "send be 5a 00", "send be 5d 66", "send be 5e 06",
        "SetParam strip=3 param=0 index=0 value=0.5118 flag=1"}},
      {66, {"send be 5d 40", "send be 5e 40", "send be 59 00", "send be 5a 7f"}},
  };
  for (const Row& row : rows) {
    host.SetParamValue(3, MIX_PARAM_VOL, 0, 64.0f / 127.0f);
    state.faderPicked(3) = 0;
    EXPECT_SEQUENCE(Calls(0xBF, 3, row.value), row.calls) << "value " << int{row.value};
    EXPECT_EQ(state.faderValue(3), row.value);
    EXPECT_EQ(state.faderPicked(3), row.value == 64 || row.value == 65 ? 1 : 0) << int{row.value};
  }
}

TEST_F(StripInputTest, PickedFaderWritesEveryValueAndShowsIt) {
  SelectStrip(3);
  EXPECT_SEQUENCE(Calls(0xBF, 3, 127), {"send be 59 00", "send be 5a 00", "send be 5d 07", "send be 5e 71",
                                        "SetParam strip=3 param=0 index=0 value=1.0000 flag=1"});
  EXPECT_SEQUENCE(Calls(0xBF, 3, 100), {"send be 59 00", "send be 5a 00", "send be 5d 7d", "send be 5e 66",
                                        "SetParam strip=3 param=0 index=0 value=0.7874 flag=1"});
  // A byte above 127 is remembered as it came but never drives the host past 1.0.
  EXPECT_SEQUENCE(Calls(0xBF, 3, 200), {"send be 59 00", "send be 5a 00", "send be 5d 39", "send be 5e 7f",
                                        "SetParam strip=3 param=0 index=0 value=1.0000 flag=1"});
  EXPECT_EQ(state.faderValue(3), 200);
  EXPECT_FALSE(host.SawUnexpected());
}

TEST_F(StripInputTest, HostVolumeOutOfRangeIsPickedUpAtOnce) {
  SelectStrip(3);
  state.faderPicked(3) = 0;
  host.SetParamValue(3, MIX_PARAM_VOL, 0, 1.5f);
  EXPECT_SEQUENCE(Calls(0xBF, 3, 50),
                  {"send be 59 00", "send be 5a 00", "SetParam strip=3 param=0 index=0 value=0.3937 flag=1"});
  EXPECT_EQ(state.faderPicked(3), 1);
  EXPECT_EQ(state.faderValue(3), 0);
}

TEST_F(StripInputTest, FaderBeyondTheHostStripsOnlyRemembers) {
  host.stripCount = 8;
  EXPECT_SEQUENCE(Calls(0xBF, 10, 40), {"send be 59 00", "send be 5a 00", "send be 5d 5b", "send be 5e 7f"});
  EXPECT_EQ(state.faderValue(10), 40);
  state.faderPicked(10) = 0;
  EXPECT_SEQUENCE(Calls(0xBF, 10, 41), {});
  EXPECT_EQ(state.faderValue(10), 41);
  EXPECT_EQ(state.selStrip(), 0);
}

TEST_F(StripInputTest, MovedFaderTakesTheSelectionAfterAQuietSpell) {
  host.stripCount = 8;
  SelectStrip(2);
  EXPECT_SEQUENCE(Calls(0xBF, 5, 0),
                  {"send be 59 00", "send be 5a 00", "send be 5d 3f", "send be 5e 3f",
                   "SetParam strip=5 param=0 index=0 value=0.0000 flag=1", "send be 22 00", "send be 25 7f"});
  EXPECT_EQ(state.selStrip(), 5);
  EXPECT_EQ(state.knobStrip(), 5);
  EXPECT_EQ(state.stripLeds(2), LEDBIT_KNOB_STRIP) << "knob-strip bits are left to the refresh";
  EXPECT_EQ(state.stripLeds(5), LEDBIT_SELECT);
  EXPECT_EQ(g_selectMoveTick.load(), clock.now());

  // Exactly 200 ms later another fader does not take it; 201 ms later it does.
  clock.Advance(200);
  Short(0xBF, 6, 0);
  EXPECT_EQ(state.selStrip(), 5);
  clock.Advance(1);
  Short(0xBF, 6, 0);
  EXPECT_EQ(state.selStrip(), 6);
}

TEST_F(StripInputTest, QuietSpellIsMeasuredAcrossTheClockWrap) {
  clock.Set(0xFFFFFF00u);
  Short(0xBF, 1, 0);
  EXPECT_EQ(state.selStrip(), 1);
  clock.Advance(0x100 + 100);  // wraps to 100: 356 ms have passed
  Short(0xBF, 2, 0);
  EXPECT_EQ(state.selStrip(), 2);
  clock.Advance(150);
  Short(0xBF, 3, 0);
  EXPECT_EQ(state.selStrip(), 2) << "150 ms after the last move";
}

TEST_F(StripInputTest, AutomaticSelectionInAnotherBankUsesAbsoluteStrips) {
  host.stripCount = 128;
  SetWindow(2);
  SelectStrip(2);  // outside the window: darkened in the cache only
  const std::vector<std::string> calls = Calls(0xBF, 5, 0);
  ASSERT_GE(calls.size(), 1u);
  EXPECT_EQ(calls.back(), "send be 25 7f");
  EXPECT_EQ(calls[calls.size() - 2], "SetParam strip=69 param=0 index=0 value=0.0000 flag=1");
  EXPECT_EQ(state.selStrip(), 69);
  EXPECT_EQ(state.stripLeds(2) & LEDBIT_SELECT, 0);
  EXPECT_EQ(state.stripLeds(69), LEDBIT_SELECT);
}

// --- mute, record arm, solo ---------------------------------------------------

TEST_F(StripInputTest, StateButtonsSetTheirBitAndTheHostSwitch) {
  host.stripCount = 8;  // not consulted: strips beyond it are written too
  SetWindow(1);
  struct Row {
    uint8_t controller, value;
    int strip;
    uint8_t bit;
    const char* call;
  };
  const Row rows[] = {
      {0, 127, 32, LEDBIT_MUTE, "SetParam strip=32 param=2 index=0 value=1.0000 flag=1"},
      {0, 62, 32, 0, "SetParam strip=32 param=2 index=0 value=0.0000 flag=1"},
      {0, 63, 32, LEDBIT_MUTE, "SetParam strip=32 param=2 index=0 value=1.0000 flag=1"},
      {36, 255, 36, LEDBIT_REC_ARM, "SetParam strip=36 param=5 index=0 value=1.0000 flag=1"},
      {95, 64, 63, LEDBIT_SOLO, "SetParam strip=63 param=3 index=0 value=1.0000 flag=1"},
      {95, 0, 63, 0, "SetParam strip=63 param=3 index=0 value=0.0000 flag=1"},
  };
  for (const Row& row : rows) {
    EXPECT_SEQUENCE(Calls(0xBD, row.controller, row.value), {row.call});
    EXPECT_EQ(state.stripLeds(row.strip), row.bit) << int{row.controller} << " " << int{row.value};
  }
}

// --- automation arm -----------------------------------------------------------

TEST_F(StripInputTest, AutomationArmArmsEightParametersWithTheBitAroundThem) {
  surface->SetConfigByte(CONFIG_LOCATE_BUTTONS, 0);
  host.stripCount = 8;
  std::vector<uint8_t> bitDuringCalls;
  host.onRecord = [&](const std::string& line) {
    if (line.rfind("SetArm", 0) == 0) bitDuringCalls.push_back(state.stripLeds(3) & LEDBIT_AUTO_ARM);
  };

  const char* targets[] = {"param=0 index=0",  "param=1 index=0",  "param=2 index=0",  "param=21 index=0",
                           "param=21 index=1", "param=21 index=2", "param=21 index=3", "param=21 index=4"};
  std::vector<std::string> arm, disarm;
  for (const char* target : targets) {
    arm.push_back(std::string("SetArm strip=3 ") + target + " on=1");
    disarm.push_back(std::string("SetArm strip=3 ") + target + " on=0");
  }

  EXPECT_SEQUENCE(Calls(0xBD, 0x63, 63), arm);
  EXPECT_EQ(bitDuringCalls, std::vector<uint8_t>(8, LEDBIT_AUTO_ARM)) << "set before arming";
  bitDuringCalls.clear();
  EXPECT_SEQUENCE(Calls(0xBD, 0x63, 62), disarm);
  EXPECT_EQ(bitDuringCalls, std::vector<uint8_t>(8, LEDBIT_AUTO_ARM)) << "cleared only after disarming";
  host.onRecord = nullptr;
  EXPECT_EQ(state.stripLeds(3) & LEDBIT_AUTO_ARM, 0);

  // Beyond the host's strips: the LED is darkened and the host is left alone.
  EXPECT_SEQUENCE(Calls(0xBD, 0x6A, 127), {"send bd 6a 00"});
  EXPECT_EQ(state.stripLeds(10), 0);
}

// --- select and knob-strip buttons --------------------------------------------

TEST_F(StripInputTest, SelectPressOnAnotherStripMovesSelectionAndReplaysTheFader) {
  host.stripCount = 8;
  SelectStrip(2);
  state.panPicked() = 1;
  for (int knob = 0; knob < 5; ++knob) state.sendPicked(knob) = 1;
  host.SetParamValue(5, MIX_PARAM_VOL, 0, 0.5f);
  state.faderValue(5) = 20;
  state.faderPicked(5) = 0;

  EXPECT_SEQUENCE(Calls(0xBE, 0x25, 63),
                  {"send be 22 00", "send be 5d 40", "send be 5e 40", "send be 59 7f", "send be 5a 00"});
  EXPECT_EQ(state.selStrip(), 5);
  EXPECT_EQ(state.knobStrip(), 5);
  EXPECT_EQ(state.stripLeds(2), LEDBIT_KNOB_STRIP);
  EXPECT_EQ(state.stripLeds(5), LEDBIT_SELECT);
  EXPECT_EQ(state.panPicked(), 1) << "a select press keeps the knobs' pick-up";
  for (int knob = 0; knob < 5; ++knob) EXPECT_EQ(state.sendPicked(knob), 1);
}

TEST_F(StripInputTest, SelectPressOnTheSelectedStripOrARelease) {
  host.stripCount = 8;
  EXPECT_SEQUENCE(Calls(0xBE, 0x20, 127), {}) << "already selected: nothing moves, nothing is sent";
  EXPECT_EQ(state.stripLeds(0), LEDBIT_SELECT | LEDBIT_KNOB_STRIP);

  EXPECT_SEQUENCE(Calls(0xBE, 0x23, 62), {"send be 23 7f", "send be 03 7f"});
  EXPECT_SEQUENCE(Calls(0xBE, 0x2A, 0), {"send be 2a 00", "send be 0a 00"});
  EXPECT_SEQUENCE(Calls(0xBE, 0x2A, 127), {"send be 2a 00", "send be 0a 00"});
  EXPECT_EQ(state.selStrip(), 0);
}

TEST_F(StripInputTest, KnobStripPressMovesTheKnobsAndRestartsTheirPickUp) {
  host.stripCount = 8;
  SelectStrip(2);
  state.panPicked() = 1;
  for (int knob = 0; knob < 5; ++knob) state.sendPicked(knob) = 1;

  EXPECT_SEQUENCE(Calls(0xBE, 4, 63), {"send be 02 00"});
  EXPECT_EQ(state.knobStrip(), 4);
  EXPECT_EQ(state.selStrip(), 4);
  EXPECT_EQ(state.stripLeds(2), LEDBIT_SELECT) << "select LEDs are left to the refresh";
  EXPECT_EQ(state.stripLeds(4), LEDBIT_KNOB_STRIP);
  EXPECT_EQ(state.panPicked(), 0);
  for (int knob = 0; knob < 5; ++knob) EXPECT_EQ(state.sendPicked(knob), 0);

  EXPECT_SEQUENCE(Calls(0xBE, 4, 127), {}) << "the knob strip already";
  EXPECT_SEQUENCE(Calls(0xBE, 4, 62), {"send be 04 7f"});
  EXPECT_SEQUENCE(Calls(0xBE, 9, 127), {"send be 09 00"}) << "beyond the host's strips";

  // The old knob strip outside the window is darkened in the cache only.
  state.knobStrip() = 40;
  state.stripLeds(40) = LEDBIT_KNOB_STRIP;
  EXPECT_SEQUENCE(Calls(0xBE, 1, 127), {});
  EXPECT_EQ(state.stripLeds(40), 0);
}

// --- bad input ------------------------------------------------------------------

TEST_F(StripInputTest, ControllersAboveTheRoutesAreIgnored) {
  surface->SetConfigByte(CONFIG_LOCATE_BUTTONS, 0);
  state.footState() = FOOT_RECORDING;
  for (int controller = 128; controller < 256; ++controller)
    EXPECT_SEQUENCE(Calls(0xBD, static_cast<uint8_t>(controller), 127), {}) << controller;
  EXPECT_EQ(state.footState(), FOOT_RECORDING);
}

// Every status, controller and a spread of values, in every bank and for
// several host sizes: nothing may index outside the state or give the host a
// level outside 0..1. The sanitizers watch the indexing.
TEST_F(StripInputTest, EveryMessageWordIsSafe) {
  const uint8_t values[] = {0, 62, 63, 64, 127, 128, 200, 255};
  for (int bank = 0; bank < 4; ++bank) {
    for (DWORD count : {0u, 8u, 128u}) {
      for (uint8_t locate : {0, 1}) {
        SetWindow(bank);
        host.stripCount = count;
        surface->SetConfigByte(CONFIG_LOCATE_BUTTONS, locate);
        for (int status : {0xBD, 0xBE, 0xBF})
          for (int controller = 0; controller < 256; ++controller)
            for (uint8_t value : values) {
              clock.Advance(250);
              const DWORD word = Pack(static_cast<uint8_t>(status), static_cast<uint8_t>(controller), value);
              ASSERT_EQ(surface->OnShortMidi(word | 0xAB000000u), S_OK);
            }
        Refresh();
        ASSERT_FALSE(host.SawUnexpected()) << "bank " << bank << " count " << count;
        host.ClearLog();
        ASSERT_GE(state.selStrip(), 0);
        ASSERT_GE(state.knobStrip(), 0);
      }
    }
  }
}

}  // namespace
