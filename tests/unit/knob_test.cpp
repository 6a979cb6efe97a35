// The pan and send knobs: pick-up against the knob strip's value, the
// distance on the display, the send assignments and the pick-up flags.
#include "surface_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class KnobTest : public SurfaceTest {
 protected:
  void SetUp() override {
    MakeReady();
    surface->SetDefaultConfig();
    state.knobStrip() = 3;
  }
  void Pan(uint8_t value) { Short(0xBF, 0x45, value); }
};

TEST_F(KnobTest, PanPicksUpAtTheHostsValueThenWritesEveryTurn) {
  host.SetParamValue(3, MIX_PARAM_PAN, 0, 0.5f);  // 64 on the knob's scale
  Pan(60);
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount", "GetParam strip=3 param=1 index=0", "send be 5d 3f",
                                   "send be 5e 66", "send be 59 00", "send be 5a 00"});
  host.ClearLog();
  Pan(64);
  EXPECT_SEQUENCE(host.Log(true),
                  {"GetStripCount", "GetParam strip=3 param=1 index=0",
                   "SetParam strip=3 param=1 index=0 value=0.5039 flag=1", "send be 5d 00", "send be 5e 00"});
  EXPECT_EQ(state.panPicked(), 1);
  host.ClearLog();
  host.SetParamValue(3, MIX_PARAM_PAN, 0, 0.0f);  // changed elsewhere: the knob keeps writing
  Pan(65);
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount", "SetParam strip=3 param=1 index=0 value=0.5118 flag=1"});
}

TEST_F(KnobTest, DisplayShowsTheDistanceInHexadecimal) {
  const struct {
    float host;
    uint8_t knob;
    const char *left, *right;
  } rows[] = {
      {0.0f, 100, "send be 5d 7d", "send be 5e 66"},  // 64
      {0.0f, 10, "send be 5d 3f", "send be 5e 77"},   // 0A
      {1.0f, 27, "send be 5d 7d", "send be 5e 66"},   // 64 below
      {-1.0f, 0, "send be 5d 4f", "send be 5e 71"},   // out of range counts as 63: 3F
      {1.5f, 127, "send be 5d 66", "send be 5e 3f"},  // 63 against 127: 40
      {1.0f, 200, "send be 5d 66", "send be 5e 67"},  // bytes are whole: 73 steps = 49
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.knob);
    host.ClearLog();
    host.SetParamValue(3, MIX_PARAM_PAN, 0, row.host);
    Pan(row.knob);
    EXPECT_SEQUENCE(host.Log(), {row.left, row.right, "send be 59 00", "send be 5a 00"});
    EXPECT_EQ(state.panPicked(), 0);
  }
  host.ClearLog();
  host.SetParamValue(3, MIX_PARAM_PAN, 0, -1.0f);
  Pan(63);
  EXPECT_EQ(host.Log().front(), "SetParam strip=3 param=1 index=0 value=0.4961 flag=1");
}

TEST_F(KnobTest, SendKnobsFollowTheirSettingsByte) {
  const struct {
    uint8_t controller;
    size_t byte;
    uint8_t assignment;
    const char* read;
  } rows[] = {
      {0x43, 9, 0, "GetParam strip=3 param=21 index=0"},      // Send A, default
      {0x42, 13, 8, "GetParam strip=3 param=21 index=4"},     // Send E, default
      {0x40, 11, 5, "GetParam strip=3 param=22 index=2"},     // Send C set to "Send Pan 3"
      {0x44, 10, 0xFF, "GetParam strip=3 param=22 index=7"},  // any byte decodes by the rule
      {0x41, 12, 0x10, "GetParam strip=3 param=21 index=0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.read);
    if (row.assignment != DEFAULT_SETTINGS[row.byte]) surface->SetConfigByte(row.byte, row.assignment);
    host.ClearLog();
    Short(0xBF, row.controller, 0);  // the host's value is 0: picks up at once
    Lines log = host.Log(true);
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[1], row.read);
    EXPECT_EQ(log[2], std::string("SetParam") + (row.read + 8) + " value=0.0000 flag=1");
  }
  // Only the knob that met its value counts as picked up.
  EXPECT_EQ(state.sendPicked(0) + state.sendPicked(1) + state.sendPicked(2) + state.sendPicked(3) + state.sendPicked(4),
            5);
  EXPECT_EQ(state.panPicked(), 0);
}

TEST_F(KnobTest, KnobValuesAboveFullScaleWriteFullLevel) {
  state.panPicked() = 1;
  state.sendPicked(2) = 1;
  Pan(200);
  Short(0xBF, 0x40, 255);
  EXPECT_SEQUENCE(host.Log(), {"SetParam strip=3 param=1 index=0 value=1.0000 flag=1",
                               "SetParam strip=3 param=21 index=2 value=1.0000 flag=1"});
  EXPECT_FALSE(host.SawUnexpected());
}

TEST_F(KnobTest, PickUpFlagsLastUntilReset) {
  host.SetParamValue(3, MIX_PARAM_SEND_VOL, 0, 0.5f);
  Short(0xBF, 0x43, 64);
  ASSERT_EQ(state.sendPicked(0), 1);
  // A page edit of the assignment leaves the flag: the next turn writes at once.
  surface->SetConfigByte(CONFIG_SEND_KNOB, 3);
  host.ClearLog();
  Short(0xBF, 0x43, 10);
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount", "SetParam strip=3 param=22 index=1 value=0.0787 flag=1"});
  // A refresh does not re-derive knob flags.
  Refresh();
  EXPECT_EQ(state.sendPicked(0), 1);
  // Detaching resets the state, flags included.
  ASSERT_EQ(surface->DetachHost(), S_OK);
  EXPECT_EQ(state.sendPicked(0), 0);
}

// The knobs follow the knob strip: a select press moves it and the picked-up
// knob writes to the new strip at once; a knob-strip press moves it and makes
// every knob meet the new strip's value first.
TEST_F(KnobTest, KnobStripPressMakesKnobsPickUpAgainButSelectPressDoesNot) {
  host.SetParamValue(3, MIX_PARAM_PAN, 0, 0.5f);
  Pan(64);
  ASSERT_EQ(state.panPicked(), 1);

  Short(0xBE, 0x20 + 5, 127);  // select strip 5
  host.ClearLog();
  Pan(70);
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount", "SetParam strip=5 param=1 index=0 value=0.5512 flag=1"});

  Short(0xBE, 6, 127);  // knob strip 6
  host.SetParamValue(6, MIX_PARAM_PAN, 0, 0.0f);
  host.ClearLog();
  Pan(70);
  EXPECT_SEQUENCE(host.Log(true), {"GetStripCount", "GetParam strip=6 param=1 index=0", "send be 5d 66",
                                   "send be 5e 7d", "send be 59 00", "send be 5a 00"});  // 46
}

}  // namespace
