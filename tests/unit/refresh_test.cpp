// The refresh: strip LEDs against the cache, fader pick-up shown for the
// selected strip, transport lights, the record blink and the display.
#include <cstdio>
#include <string>
#include <vector>

#include "module_state.h"
#include "surface_fixture.h"
#include "wire.h"

using namespace midi;

namespace {

using wire::Send;

class RefreshTest : public SurfaceTest {
 protected:
  void SetUp() override { MakeReady(); }

  // Refreshes once and returns what went to the surface.
  std::vector<std::string> RefreshSends() {
    host.ClearLog();
    Refresh();
    return host.Sends();
  }

  void SetSwitches(DWORD strip, float value) {
    for (DWORD param : {MIX_PARAM_ARM, MIX_PARAM_MUTE, MIX_PARAM_SOLO}) host.SetParamValue(strip, param, 0, value);
  }
};

TEST_F(RefreshTest, IdleSurfaceSendsNothing) {
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_FALSE(host.SawUnexpected());
}

TEST_F(RefreshTest, AsksTheHostInOrderForEachStrip) {
  host.stripCount = 1;
  host.ClearLog();
  Refresh();
  EXPECT_SEQUENCE(host.Log(true),
                  {"GetStripCount", "GetParam strip=0 param=0 index=0", "GetParam strip=0 param=5 index=0",
                   "GetParam strip=0 param=2 index=0", "GetParam strip=0 param=3 index=0",
                   "GetArm strip=0 param=2 index=0", "GetState 3", "GetState 1", "GetState 4"});
}

TEST_F(RefreshTest, StripsBeyondTheHostStayDarkButSelectionStillShows) {
  host.stripCount = 10;
  for (DWORD strip = 0; strip < 32; ++strip) {
    SetSwitches(strip, 1.0f);
    host.SetArmValue(strip, MIX_PARAM_MUTE, 0, 1);
  }
  state.selStrip() = 20;

  std::vector<std::string> expected;
  for (int p = 0; p < 10; ++p) {
    expected.push_back(Send(0xBD, 0x20 + p, 127));        // record arm
    expected.push_back(Send(0xBD, 0x00 + p, 127));        // mute
    expected.push_back(Send(0xBD, 0x40 + p, 127));        // solo
    if (p == 0) expected.push_back(Send(0xBE, 0x20, 0));  // strip 0 is no longer selected
    expected.push_back(Send(0xBD, 0x60 + p, 127));        // automation arm
  }
  expected.push_back(Send(0xBE, 0x20 + 20, 127));
  EXPECT_SEQUENCE(RefreshSends(), expected);

  for (const std::string& line : host.Log(true))
    for (int strip = 10; strip < 32; ++strip)
      EXPECT_EQ(line.find("strip=" + std::to_string(strip) + " "), std::string::npos) << line;
  for (int p = 10; p < 32; ++p) EXPECT_EQ(state.faderPicked(p), 0) << p;
  EXPECT_EQ(state.stripLeds(20), LEDBIT_SELECT);
  EXPECT_EQ(state.stripLeds(3), LEDBIT_REC_ARM | LEDBIT_MUTE | LEDBIT_SOLO | LEDBIT_AUTO_ARM);

  // Lights follow the host off again, once.
  SetSwitches(3, 0.0f);
  host.SetArmValue(3, MIX_PARAM_MUTE, 0, 0);
  EXPECT_SEQUENCE(RefreshSends(), {"send bd 23 00", "send bd 03 00", "send bd 43 00", "send bd 63 00"});
  EXPECT_SEQUENCE(RefreshSends(), {});
}

TEST_F(RefreshTest, SwitchValueOfExactlyHalfIsOff) {
  host.SetParamValue(1, MIX_PARAM_MUTE, 0, 0.5f);
  host.SetParamValue(2, MIX_PARAM_MUTE, 0, 0.5001f);
  EXPECT_SEQUENCE(RefreshSends(), {"send bd 02 7f"});
}

TEST_F(RefreshTest, WindowOfAnotherBankAddressesAbsoluteStrips) {
  host.stripCount = 64;
  state.firstStrip() = 32;
  state.lastStrip() = 63;
  state.selStrip() = 33;
  state.knobStrip() = 33;
  host.SetParamValue(33, MIX_PARAM_MUTE, 0, 1.0f);
  // Bank 0's strip 0 keeps its cache bits; only the new window is touched.
  EXPECT_SEQUENCE(RefreshSends(), {"send bd 01 7f", "send be 21 7f", "send be 01 7f"});
  EXPECT_EQ(state.stripLeds(33), LEDBIT_MUTE | LEDBIT_SELECT | LEDBIT_KNOB_STRIP);
  EXPECT_EQ(state.stripLeds(0), LEDBIT_SELECT | LEDBIT_KNOB_STRIP);
}

TEST_F(RefreshTest, SelectedFaderAnnouncesPickUpChanges) {
  host.SetParamValue(0, MIX_PARAM_VOL, 0, 0.5f);
  state.faderValue(0) = 64;
  state.faderPicked(0) = 0;
  EXPECT_SEQUENCE(RefreshSends(), {"send be 59 00", "send be 5a 00", "send be 5d 66", "send be 5e 3f"});
  EXPECT_EQ(state.faderPicked(0), 1);
  EXPECT_SEQUENCE(RefreshSends(), {});

  // The host's volume lies below the fader: dashes, down arrow.
  state.faderValue(0) = 70;
  EXPECT_SEQUENCE(RefreshSends(), {"send be 5d 40", "send be 5e 40", "send be 59 00", "send be 5a 7f"});
  EXPECT_EQ(state.faderPicked(0), 0);

  // Above it: up arrow (announced after the flag has been set again).
  state.faderPicked(0) = 1;
  state.faderValue(0) = 10;
  EXPECT_SEQUENCE(RefreshSends(), {"send be 5d 40", "send be 5e 40", "send be 59 7f", "send be 5a 00"});

  // A host volume the fader cannot meet counts as agreeing; the display shows 00.
  host.SetParamValue(0, MIX_PARAM_VOL, 0, 1.5f);
  EXPECT_SEQUENCE(RefreshSends(), {"send be 59 00", "send be 5a 00", "send be 5d 3f", "send be 5e 3f"});
  EXPECT_EQ(state.faderPicked(0), 1);
}

TEST_F(RefreshTest, OtherFadersChangeTheirFlagSilently) {
  host.SetParamValue(3, MIX_PARAM_VOL, 0, 0.5f);
  state.faderValue(3) = 10;
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_EQ(state.faderPicked(3), 0);
  state.faderValue(3) = 64;
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_EQ(state.faderPicked(3), 1);
}

TEST_F(RefreshTest, FailedReadsCountAsOffAndVolumeZero) {
  host.SetParamValue(0, MIX_PARAM_MUTE, 0, 1.0f);
  host.SetTransportState(TRANSPORT_PLAYING, 1);
  state.faderValue(0) = 5;
  state.faderPicked(0) = 1;
  host.getParamFails = true;
  // Volume reads as 0: the fader at 5 no longer agrees; nothing lights.
  EXPECT_SEQUENCE(RefreshSends(), {"send be 5d 40", "send be 5e 40", "send be 59 00", "send be 5a 7f"});
  EXPECT_EQ(state.wasPlaying(), 0);
}

TEST_F(RefreshTest, FailingStripCountSkipsTheWholeRefresh) {
  host.stripCountResult = E_FAIL;
  host.SetParamValue(0, MIX_PARAM_MUTE, 0, 1.0f);
  host.SetTransportState(TRANSPORT_RECORDING, 1);
  state.footState() = FOOT_IDLE;
  host.ClearLog();
  Refresh();
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount"});
  EXPECT_EQ(state.wasRecording(), 0);
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  EXPECT_EQ(state.stripLeds(0) & LEDBIT_MUTE, 0);
}

TEST_F(RefreshTest, PlaybackStartsAndStops) {
  host.SetTransportState(TRANSPORT_PLAYING, 1);
  EXPECT_SEQUENCE(RefreshSends(), {"send be 58 7f", "send be 57 00"});
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_EQ(state.footState(), FOOT_IDLE) << "playing alone does not arm the footswitch";
  host.SetTransportState(TRANSPORT_PLAYING, 0);
  EXPECT_SEQUENCE(RefreshSends(), {"send be 58 00", "send be 57 00", "send be 4f 00"});
  EXPECT_SEQUENCE(RefreshSends(), {});
}

TEST_F(RefreshTest, RecordingStartsAndStopsAndArmsTheFootswitch) {
  host.SetTransportState(TRANSPORT_RECORDING, 1);
  EXPECT_SEQUENCE(RefreshSends(), {"send be 58 7f", "send be 57 00", "send be 4f 7f"});
  EXPECT_EQ(state.footState(), FOOT_RECORDING);
  // Every refresh while recording puts the footswitch back to its stop tap.
  state.footState() = FOOT_IDLE;
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_EQ(state.footState(), FOOT_RECORDING);

  host.SetTransportState(TRANSPORT_RECORDING, 0);
  state.footState() = FOOT_STOPPED;
  EXPECT_SEQUENCE(RefreshSends(), {"send be 58 00", "send be 57 00", "send be 4f 00", "send be 4f 00"});
  EXPECT_EQ(state.footState(), FOOT_STOPPED);
  EXPECT_EQ(state.wasRecording(), 0);
}

TEST_F(RefreshTest, RecordLedBlinksInElevenRefreshCycles) {
  host.SetTransportState(TRANSPORT_RECORD_BLINK, 1);
  std::vector<std::string> events;
  for (int refresh = 1; refresh <= 22; ++refresh)
    for (const std::string& line : RefreshSends()) events.push_back(std::to_string(refresh) + ": " + line);
  EXPECT_SEQUENCE(events, {"6: send be 4f 7f", "11: send be 4f 00", "17: send be 4f 7f", "22: send be 4f 00"});

  // Ending while lit leaves the LED lit; the next blink starts from 0.
  for (int refresh = 0; refresh < 6; ++refresh) RefreshSends();
  host.SetTransportState(TRANSPORT_RECORD_BLINK, 0);
  EXPECT_SEQUENCE(RefreshSends(), {});
  EXPECT_EQ(g_recordBlinkCount.load(), 0);
  host.SetTransportState(TRANSPORT_RECORD_BLINK, 1);
  for (int refresh = 1; refresh <= 5; ++refresh) EXPECT_SEQUENCE(RefreshSends(), {}) << refresh;
  EXPECT_SEQUENCE(RefreshSends(), {"send be 4f 7f"});
}

}  // namespace
