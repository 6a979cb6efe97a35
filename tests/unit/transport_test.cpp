// Transport, store and up/down keys, the jog wheel, the shuttle, the locate
// buttons and the footswitch tap machine.
#include <cstdint>
#include <cstdio>
#include <limits>

#include "module_state.h"
#include "surface_fixture.h"
#include "wire.h"

namespace {

using Lines = std::vector<std::string>;

std::string Moved(int32_t position) {
  char line[64];
  std::snprintf(line, sizeof line, "SetNowTime which=0 format=3 pos=%d", position);
  return line;
}

class TransportTest : public SurfaceTest {
 protected:
  void SetUp() override {
    MakeReady();
    surface->SetDefaultConfig();
  }
  void StoreDown() { Short(0xBE, 0x41, 127); }
  void StoreUp() { Short(0xBE, 0x41, 0); }
  void Locate(int button) { Short(0xBD, static_cast<uint8_t>(0x60 + button), 127); }
  void Tap() { Short(0xBF, 0x56, 127); }
  std::string Comma() {
    char line[32];
    std::snprintf(line, sizeof line, "key %02x press", static_cast<unsigned>(state.vkComma()));
    return line;
  }
};

TEST_F(TransportTest, TransportKeysRunTheirCommandsAndAlwaysResetTheFootswitch) {
  const struct {
    uint8_t controller, value;
    bool storeMode;
    Lines calls;
  } rows[] = {
      {0x4B, 127, false, {"command 18"}},
      {0x4C, 64, false, {"command 16"}},
      {0x4D, 127, false, {"command 36"}},
      {0x4E, 127, false, {"command 170"}},
      {0x4F, 127, false, {"command 17"}},
      {0x4F, 127, true, {"command 245"}},
      {0x4F, 0, true, {}},
      {0x4B, 63, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.controller);
    host.ClearLog();
    state.storeMode() = row.storeMode;
    state.footState() = FOOT_STOPPED;
    Short(0xBE, row.controller, row.value);
    EXPECT_SEQUENCE(host.Log(), row.calls);
    EXPECT_EQ(state.footState(), FOOT_IDLE);
  }
}

TEST_F(TransportTest, StoreKeyHoldsStoreMode) {
  clock.Set(5000);
  state.footState() = FOOT_STOPPED;
  StoreDown();
  EXPECT_EQ(state.storeMode(), 1);
  EXPECT_EQ(state.footState(), FOOT_STOPPED);  // a change of mode leaves it
  StoreDown();                                 // already on: only the reset
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  EXPECT_SEQUENCE(host.Log(), {"send bd 41 7f", "send bd 60 00"});

  state.footState() = FOOT_STOPPED;
  StoreUp();
  EXPECT_EQ(state.storeMode(), 0);
  EXPECT_EQ(state.footState(), FOOT_STOPPED);
  EXPECT_EQ(g_storeReleaseTick.load(), 5000u);
  StoreUp();
  EXPECT_EQ(state.footState(), FOOT_IDLE);
}

// Presses only; their releases are in the footswitch reset table below.
TEST_F(TransportTest, UpDownKeysSendTheArrowThenTheCommaKey) {
  for (uint8_t controller : {0x52, 0x50, 0x53, 0x51}) Short(0xBE, controller, 64);
  EXPECT_SEQUENCE(host.Log(), {"key 26 press", Comma(), "key 28 press", Comma()});
}

TEST_F(TransportTest, JogMovesByTheStepOfItsDetents) {
  const struct {
    uint8_t value;
    bool storeMode;
    int32_t move;
  } rows[] = {
      {0, false, 0},      {127, false, 0},   {1, false, 1},      {4, false, 20},      {8, false, 1600},
      {9, false, 3200},   {63, false, 3200}, {126, false, -1},   {118, false, -3200}, {119, false, -1600},
      {64, false, -3200}, {2, true, 50},     {64, true, -32000}, {127, true, 0},
  };
  host.position = 100000;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    host.ClearLog();
    state.storeMode() = row.storeMode;
    state.footState() = FOOT_STOPPED;
    const auto before = static_cast<int32_t>(host.position);
    Short(0xBF, 0x60, row.value);
    EXPECT_SEQUENCE(host.Log(), {"GetNowTime which=0 format=3", Moved(before + row.move)});
    EXPECT_EQ(state.footState(), FOOT_STOPPED);
  }
  host.ClearLog();
  for (uint8_t value : {128, 200, 255}) Short(0xBF, 0x60, value);  // no turn of the wheel
  EXPECT_SEQUENCE(host.Log(), {});
}

TEST_F(TransportTest, MovesStopAtTheEndsOfTheTimeline) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  host.position = kMax - 5;
  Short(0xBF, 0x60, 9);
  EXPECT_EQ(host.position, kMax);
  host.position = kMin + 3;
  state.storeMode() = 1;
  Short(0xBF, 0x60, 64);
  EXPECT_EQ(host.position, kMin);
  const BYTE back[10] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x7F, 0x7F, 0x00, 0xF7};
  EXPECT_EQ(surface->OnLongMidi(10, back), S_OK);
  EXPECT_EQ(host.position, kMin);
}

TEST_F(TransportTest, ShuttleActsOnlyOnTheExactMessage) {
  // A fresh surface, attached but before its first refresh: the shuttle works.
  surface->Release();
  surface = new CTavrel;
  state = CTavrelTestAccess(surface);
  ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
  host.ClearLog();
  host.position = 1000;
  const std::vector<BYTE> shuttle = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x41, 0x05, 0x00, 0xF7};
  EXPECT_EQ(surface->OnLongMidi(10, shuttle.data()), S_OK);
  EXPECT_SEQUENCE(host.Log(), {"GetNowTime which=0 format=3", Moved(1000 - 133)});

  auto with = [&](size_t at, BYTE value) {
    std::vector<BYTE> bytes = shuttle;
    bytes[at] = value;
    return bytes;
  };
  std::vector<BYTE> forward = with(6, 0x3F);
  forward[7] = 0x7F;
  forward[8] = 0xAA;  // bytes 8 and 9 are not examined
  forward[9] = 0x00;
  host.position = 0;
  EXPECT_EQ(surface->OnLongMidi(10, forward.data()), S_OK);
  EXPECT_EQ(host.position, 8191);

  host.ClearLog();
  // Exact-size buffers: the sanitizer catches any read past the length.
  std::vector<BYTE> eleven = shuttle;
  eleven.push_back(0xF7);
  const std::vector<BYTE> bad[] = {{shuttle.begin(), shuttle.end() - 1},
                                   eleven,
                                   with(2, 0x7F),
                                   with(2, 0x01),
                                   with(6, 0x80),
                                   with(7, 0xC0),
                                   with(4, 0x48)};
  for (const std::vector<BYTE>& bytes : bad)
    EXPECT_EQ(surface->OnLongMidi(static_cast<DWORD>(bytes.size()), bytes.data()), S_OK);
  const BYTE one = 0xF0;
  EXPECT_EQ(surface->OnLongMidi(1, &one), S_OK);
  EXPECT_EQ(surface->OnLongMidi(0, &one), S_OK);
  EXPECT_EQ(surface->OnLongMidi(10, nullptr), E_POINTER);
  EXPECT_EQ(surface->OnLongMidi(0, nullptr), E_POINTER);
  EXPECT_SEQUENCE(host.Log(), {});

  // Detached: no transport held, nothing is called.
  ASSERT_EQ(surface->DetachHost(), S_OK);
  host.ClearLog();
  EXPECT_EQ(surface->OnLongMidi(10, shuttle.data()), S_OK);
  EXPECT_SEQUENCE(host.Log(), {});
}

TEST_F(TransportTest, LocateStoresWhileStoreIsHeldAndRecallsLater) {
  host.position = 0x0102030405060708;
  StoreDown();
  Locate(5);
  StoreUp();
  EXPECT_SEQUENCE(host.Log(), {"send bd 41 7f", "send bd 60 00", "send bd 65 00", "GetNowTime which=0 format=2"});

  host.ClearLog();
  host.position = 0;
  clock.Advance(1000);
  Locate(5);
  Locate(6);  // never stored: the zero time
  EXPECT_SEQUENCE(host.Log(), {"send bd 65 00", "SetNowTime which=0 format=2 value=0807060504030201", "send bd 66 00",
                               "SetNowTime which=0 format=2 value=0000000000000000"});
  // The slots do not depend on the bank window.
  state.bank() = 2;
  state.firstStrip() = 64;
  host.ClearLog();
  Locate(5);
  EXPECT_EQ(host.Log().back(), "SetNowTime which=0 format=2 value=0807060504030201");
}

TEST_F(TransportTest, LocateZeroJustAfterTheStoreReleaseStillStores) {
  const struct {
    uint32_t releaseAt, afterMs;
    bool stores;
  } rows[] = {
      {1'000'000, 80, true},   {1'000'000, 100, true},  {1'000'000, 101, false},
      {1'000'000, 150, false}, {0xFFFFFFD0u, 80, true},  // across the wrap of the millisecond clock
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.afterMs);
    clock.Set(row.releaseAt);
    StoreDown();
    StoreUp();
    clock.Advance(row.afterMs);
    host.ClearLog();
    Locate(0);
    EXPECT_EQ(host.Log().back(),
              row.stores ? "GetNowTime which=0 format=2" : "SetNowTime which=0 format=2 value=0000000000000000");
    EXPECT_EQ(state.storeMode(), row.stores ? 1 : 0);  // stays on until the next release
    state.storeMode() = 0;
  }
  // Any other button is not given the grace.
  clock.Set(2'000'000);
  StoreDown();
  StoreUp();
  clock.Advance(10);
  host.ClearLog();
  Locate(1);
  EXPECT_EQ(host.Log().back(), "SetNowTime which=0 format=2 value=0000000000000000");
}

TEST_F(TransportTest, LocateStoreWritesZeroWhenTheReadFails) {
  state.locateSlot(3)[0] = 0xEE;
  host.nowTimeFails = true;
  state.storeMode() = 1;
  Locate(3);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(state.locateSlot(3)[i], 0) << i;
}

// Taps at the given offsets from 0, in milliseconds; the calls of each tap.
struct TapScript {
  uint8_t option;
  std::vector<uint32_t> at;
  std::vector<Lines> calls;
  FootState end;
};

TEST_F(TransportTest, FootswitchTapSequences) {
  const std::string comma = Comma();
  const Lines insertTrack = {"command 152", "key 28 press", comma,          "key 26 press", comma,
                             "key 12 down", "key 54 press", "key 12 up",    "key 52 press", "key 2d press",
                             comma,         "key 12 down",  "key 54 press", "key 12 up",    "key 52 press"};
  const Lines record = {"command 17"}, stop = {"command 170", "command 18"};
  const TapScript scripts[] = {
      {0, {0, 10000, 11000, 11500}, {record, stop, {"command 41"}, insertTrack}, FOOT_IDLE},
      {0, {0, 10000, 13000}, {record, stop, record}, FOOT_RECORDING},
      {0, {0, 10000, 11000, 12000}, {record, stop, {"command 41"}, record}, FOOT_RECORDING},
      {0, {0, 10000, 11999, 12001}, {record, stop, {"command 41"}, record}, FOOT_RECORDING},
      {1, {0, 10000, 11000, 11500, 12000}, {record, stop, {}, {}, record}, FOOT_RECORDING},
      {1, {0, 10000, 11000, 11500}, {record, stop, {}, {}}, FOOT_IDLE},
  };
  for (const TapScript& script : scripts) {
    // Starting near the top of the clock so that the window crosses its wrap.
    const uint32_t start = 0xFFFFD000u;
    SCOPED_TRACE(script.at.size());
    surface->SetConfigByte(CONFIG_FOOTSWITCH, script.option);
    state.footState() = FOOT_IDLE;
    for (size_t i = 0; i < script.at.size(); ++i) {
      SCOPED_TRACE(i);
      clock.Set(start + script.at[i]);
      host.ClearLog();
      Tap();
      EXPECT_SEQUENCE(host.Log(), script.calls[i]);
      Short(0xBF, 0x56, 0);  // a release changes nothing
    }
    EXPECT_EQ(state.footState(), script.end);
  }
}

TEST_F(TransportTest, WhichMessagesReturnTheFootswitchToIdle) {
  const struct {
    uint8_t status, controller, value;
    bool resets;
  } rows[] = {
      // Reset: releases of function, unused, up/down and cursor keys.
      {0xBE, 0x42, 63, true},
      {0xBE, 0x4A, 0, true},
      {0xBE, 0x50, 0, true},
      {0xBE, 0x51, 0, true},
      {0xBE, 0x52, 0, true},
      {0xBE, 0x53, 0, true},
      {0xBE, 0x54, 0, true},
      {0xBE, 0x55, 0, true},
      // Reset: controllers no control answers to, and other statuses.
      {0xBE, 0x40, 127, true},
      {0xBE, 0x56, 127, true},
      {0xBE, 0x7F, 0, true},
      {0xBE, 0xC0, 0, true},
      {0xBF, 0x20, 5, true},
      {0xBF, 0x3F, 5, true},
      {0xBF, 0x46, 5, true},
      {0xBF, 0x55, 5, true},
      {0xBF, 0x57, 5, true},
      {0xBF, 0x5F, 5, true},
      {0xBF, 0x61, 5, true},
      {0xBF, 0x7F, 5, true},
      {0x90, 0x40, 127, true},
      {0xB0, 0x56, 127, true},
      {0x00, 0x00, 0, true},
      // Unchanged: knobs, jog, channel 14, presses, the footswitch release.
      {0xBF, 0x45, 64, false},
      {0xBF, 0x40, 64, false},
      {0xBF, 0x60, 127, false},
      {0xBF, 0x60, 200, false},
      {0xBD, 0x05, 127, false},
      {0xBD, 0x70, 0, false},
      {0xBD, 0xC0, 0, false},
      {0xBE, 0x52, 64, false},
      {0xBE, 0x50, 127, false},
      {0xBE, 0x54, 127, false},
      {0xBF, 0x56, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << int(row.status) << " " << int(row.controller));
    state.footState() = FOOT_UNDONE;
    Short(row.status, row.controller, row.value);
    EXPECT_EQ(state.footState(), row.resets ? FOOT_IDLE : FOOT_UNDONE);
  }
  // Long messages never touch it.
  state.footState() = FOOT_UNDONE;
  const BYTE shuttle[10] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x00, 0x01, 0x00, 0xF7};
  surface->OnLongMidi(10, shuttle);
  EXPECT_EQ(state.footState(), FOOT_UNDONE);
}

}  // namespace

// The store key and the locate buttons switch strip lights outside the
// refresh; the next refresh must still show what the host calls for there.
TEST_F(TransportTest, RefreshRelightsWhatTheStoreKeyAndLocateButtonsSwitched) {
  using midi::LED_AUTO_ARM, midi::LED_SOLO, midi::STATUS_CH14, wire::Led;
  host.SetArmValue(0, MIX_PARAM_MUTE, 0, 1);  // strip 0 automation-armed
  host.SetArmValue(4, MIX_PARAM_MUTE, 0, 1);
  Refresh();
  host.ClearLog();
  const auto refreshSends = [&] {
    host.ClearLog();
    Refresh();
    return host.Sends();
  };

  StoreDown();
  // The store light (the solo-1 address) stays lit while the key is held.
  EXPECT_SEQUENCE(refreshSends(), {Led(STATUS_CH14, LED_AUTO_ARM + 0, true)});
  StoreUp();
  EXPECT_SEQUENCE(refreshSends(), {Led(STATUS_CH14, LED_SOLO + 1, false)});  // strip 1 is not soloed
  EXPECT_SEQUENCE(refreshSends(), {});

  host.SetParamValue(1, MIX_PARAM_SOLO, 0, 1.0f);  // with strip 1 soloed the light simply stays
  Refresh();
  StoreDown();
  StoreUp();
  EXPECT_SEQUENCE(refreshSends(), {Led(STATUS_CH14, LED_AUTO_ARM + 0, true)});

  surface->SetConfigByte(CONFIG_LOCATE_BUTTONS, 1);
  Locate(4);
  EXPECT_SEQUENCE(refreshSends(), {Led(STATUS_CH14, LED_AUTO_ARM + 4, true)});
}
