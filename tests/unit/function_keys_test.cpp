// Function keys and their 41 rows, the cursor keys and the bank window.
#include <cstdio>

#include "surface_fixture.h"

namespace {

using Lines = std::vector<std::string>;

std::string Key(int vk, const char* kind) {
  char line[32];
  std::snprintf(line, sizeof line, "key %02x %s", vk, kind);
  return line;
}
Lines Ctrl(int vk) { return {"key 11 down", Key(vk, "press"), "key 11 up"}; }
Lines Alt(int vk) { return {"key 12 down", Key(vk, "press"), "key 12 up"}; }

class FunctionKeysTest : public SurfaceTest {
 protected:
  void SetUp() override {
    MakeReady();
    surface->SetDefaultConfig();
  }
  void SetFunctionKey(int key, uint8_t row) { surface->SetConfigByte(CONFIG_FUNCTION_KEY + key, row); }
};

TEST_F(FunctionKeysTest, EveryRowMakesItsCallsInOrder) {
  host.position = 1234;
  const char* press = "press";
  // Row 22 asks the keyboard layout at the press.
  const int tempoKey = static_cast<int>(MapVirtualKeyA(10, 1));
  const Lines expected[42] = {
      {},
      {"command 41"},
      {"command 152"},
      {Key(0x7A, press)},
      {Key(0x76, press)},
      {Key(0x77, press)},
      {Key(0x72, press)},
      Ctrl(0x70),
      {Key(0x2D, press)},
      {Key('O', press)},
      {Key('N', press)},
      Ctrl(0x73),
      Ctrl(0x75),
      {Key('S', press)},
      Alt('1'),
      Alt('2'),
      Alt('3'),
      Alt('4'),
      Alt('5'),
      Alt('6'),
      Alt('7'),
      Alt('8'),
      Alt(tempoKey),
      {"command 104"},
      {"command 105"},
      {"command 107"},
      {"command 108"},
      {"command 109"},
      {"command 113"},
      {"command 149"},
      {"command 161"},
      {"command 234"},
      {"command 235"},
      {"command 21"},
      {"command 19"},
      {"command 68", Key(0x0D, press)},
      {"command 168"},
      {"command 169"},
      {"GetNowTime which=0 format=3", "SetNowTime which=3 format=3 pos=1234"},
      {"GetNowTime which=0 format=3", "SetNowTime which=4 format=3 pos=1234"},
      {"command 20", Key('O', press), Key(0x0D, press)},
      {"command 20", Key('S', press), Key(0x0D, press)},
  };
  for (int row = 1; row <= 41; ++row) {
    SCOPED_TRACE(row);
    host.ClearLog();
    // Through F5, as the user reaches a row.
    SetFunctionKey(4, static_cast<uint8_t>(row));
    Short(0xBE, 0x46, 127);
    EXPECT_SEQUENCE(host.Log(), expected[row]);
  }
  EXPECT_EQ(host.punchIn, 1234);
  EXPECT_EQ(host.punchOut, 1234);
}

TEST_F(FunctionKeysTest, BytesOutsideTheRowsDoNothing) {
  for (uint8_t row : {0, 42, 127, 128, 200, 255}) {
    SCOPED_TRACE(row);
    SetFunctionKey(0, row);
    Short(0xBE, 0x42, 127);
    state.RunFunctionCommand(static_cast<int8_t>(row));
    EXPECT_SEQUENCE(host.Log(), {});
  }
}

TEST_F(FunctionKeysTest, PunchWritesADefinedTimeWhenTheReadFails) {
  host.position = 77;
  host.nowTimeFails = true;
  state.RunFunctionCommand(39);
  EXPECT_SEQUENCE(host.Log(), {"GetNowTime which=0 format=3", "SetNowTime which=4 format=3 pos=0"});
  EXPECT_EQ(host.punchOut, 0);
}

TEST_F(FunctionKeysTest, EveryPressRunsAgainAndOnlyReleasesResetTheFootswitch) {
  state.footState() = FOOT_STOPPED;
  Short(0xBE, 0x42, 64);  // F1 default: Ins. Marker
  Short(0xBE, 0x42, 127);
  EXPECT_EQ(state.footState(), FOOT_STOPPED);
  Short(0xBE, 0x42, 63);
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  Short(0xBE, 0x4A, 100);  // F9 default: Redo
  EXPECT_SEQUENCE(host.Log(), {"key 7a press", "key 7a press", "command 152"});
}

TEST_F(FunctionKeysTest, CursorKeysStepByMeasure) {
  state.footState() = FOOT_STOPPED;
  Short(0xBE, 0x54, 127);
  Short(0xBE, 0x55, 64);
  EXPECT_EQ(state.footState(), FOOT_STOPPED);
  Short(0xBE, 0x55, 0);
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  EXPECT_SEQUENCE(host.Log(), {"command 37", "command 38"});
  EXPECT_EQ(state.bank(), 0);
}

TEST_F(FunctionKeysTest, BankSelectSweepsShowsTheBankAndForgetsTheNewWindowsLights) {
  surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);
  for (int strip = 0; strip < 128; ++strip) state.stripLeds(strip) = 0x3F;
  state.wasPlaying() = 1;
  state.wasRecording() = 1;
  state.faderPicked(7) = 0;
  state.selStrip() = 5;
  state.knobStrip() = 6;

  Short(0xBE, 0x55, 127);
  Lines log = host.Log();
  ASSERT_EQ(log.size(), 203u);  // the 201-message sweep, then two digits
  EXPECT_EQ(log.front(), "send be 4f 00");
  EXPECT_SEQUENCE(Lines(log.end() - 2, log.end()), {"send be 5d 3f", "send be 5e 06"});
  EXPECT_EQ(state.firstStrip(), 32);
  EXPECT_EQ(state.lastStrip(), 63);
  EXPECT_EQ(state.stripLeds(31), 0x3F);
  EXPECT_EQ(state.stripLeds(32), 0);
  EXPECT_EQ(state.stripLeds(63), 0);
  EXPECT_EQ(state.stripLeds(64), 0x3F);
  EXPECT_EQ(state.faderPicked(7), 1);
  // The sweep darkened play and record: the next refresh must relight them.
  EXPECT_EQ(state.wasPlaying(), 0);
  EXPECT_EQ(state.wasRecording(), 0);
  EXPECT_EQ(state.selStrip(), 5);
  EXPECT_EQ(state.knobStrip(), 6);

  // Banks 2, 3, and 3 again at the top: every press sweeps and shows the bank.
  for (const char* rightDigit : {"send be 5e 5b", "send be 5e 4f", "send be 5e 4f"}) {
    host.ClearLog();
    Short(0xBE, 0x55, 127);
    EXPECT_EQ(host.Sends().size(), 203u);
    EXPECT_EQ(host.Sends().back(), rightDigit);
  }
  EXPECT_EQ(state.bank(), 3);
  EXPECT_EQ(state.firstStrip(), 96);
  EXPECT_EQ(state.lastStrip(), 127);
}

TEST_F(FunctionKeysTest, BankLeftStopsAtBankZero) {
  surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);
  Short(0xBE, 0x54, 127);
  EXPECT_EQ(state.bank(), 0);
  EXPECT_EQ(state.firstStrip(), 0);
  EXPECT_EQ(host.Sends().size(), 203u);
  EXPECT_EQ(host.Sends()[202], "send be 5e 3f");
}

}  // namespace
