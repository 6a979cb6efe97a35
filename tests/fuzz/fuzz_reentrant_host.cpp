// Fuzz target: a host that calls back into the surface from inside its own
// calls, on the same thread, as a Windows host may (a sent window message
// delivering input while GetParam waits, a detach from SendShortMessage).
// The input picks the outer operations, which host calls re-enter, and with
// what: short or long input, a refresh, attach, detach or Load. The surface
// must stay inside its arrays (the sanitizers watch every index) and keep its
// invariants at every host call and after every step.
//
// After every step, with nothing re-entrant pending, one more refresh must
// leave the host's lights of the window (record arm, mute, solo, automation
// arm) showing on the host's model of the surface what the host answered in
// that refresh. The exception is a light whose own button was pressed: the
// hardware may light a button as it is pressed (the LED cache counts on
// that), which the model does not know, so such a light is compared again
// once the model and the cache agree on it.
#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"
#include "fuzz_invariants.h"
#include "memory_stream.h"
#include "midi_map.h"
#include "tavrel.h"

namespace {

constexpr int MAX_NESTING = 3;

// Channel-14 addresses whose button was pressed since the model last agreed
// with the cache there.
struct PressedButtons {
  bool pressed[128] = {};
};

uint32_t SurfaceWord(FuzzInput& input) {
  uint32_t word = input.Word();
  return (word & ~0xFFu) | (midi::STATUS_CH14 + (word & 0xFF) % 3);
}

void CallSurface(CTavrel* surface, FuzzHost& host, FuzzInput& input, PressedButtons& buttons) {
  switch (input.Byte() % 8) {
    case 0:
    case 1: {
      const uint32_t word = SurfaceWord(input);
      const midi::ShortMessage message = midi::Unpack(word);
      if (message.status == midi::STATUS_CH14 && message.controller < 128) buttons.pressed[message.controller] = true;
      FuzzCheck(surface->OnShortMidi(word) == S_OK, "short input answers S_OK");
      break;
    }
    case 2: {  // a bank step, with bank selection on
      surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);
      const uint8_t key = input.Byte() & 1 ? midi::CC_CURSOR_RIGHT : midi::CC_CURSOR_LEFT;
      surface->OnShortMidi(midi::Pack(midi::STATUS_CH15, key, 127));
      break;
    }
    case 3: {
      BYTE shuttle[midi::SHUTTLE_LENGTH] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0, 0, 0, 0xF7};
      shuttle[6] = input.Byte() & 0x7F;
      shuttle[7] = input.Byte() & 0x7F;
      FuzzCheck(surface->OnLongMidi(sizeof shuttle, shuttle) == S_OK, "long input answers S_OK");
      break;
    }
    case 4:
      FuzzCheck(surface->RefreshFeedback(input.Byte() % 6, 0) == S_OK, "refresh answers S_OK");
      break;
    case 5:
      surface->AttachHost(host.Unknown(), 0);
      break;
    case 6:
      FuzzCheck(surface->DetachHost() == S_OK, "detach answers S_OK");
      break;
    default: {
      const uint8_t* bytes = nullptr;
      const size_t n = input.Take(CONFIG_SIZE, &bytes);
      MemoryStream stream(std::vector<uint8_t>(bytes, bytes + n));
      FuzzCheck(surface->Load(&stream) == S_OK, "Load answers S_OK");
      break;
    }
  }
}

// The cache bit of a channel-14 light of the window: mute, record arm, solo
// and automation arm, 32 addresses each.
bool CacheLit(CTavrelTestAccess& state, int address) {
  static constexpr uint8_t kBits[] = {midi::LEDBIT_MUTE, midi::LEDBIT_REC_ARM, midi::LEDBIT_SOLO,
                                      midi::LEDBIT_AUTO_ARM};
  const int strip = state.firstStrip() + address % midi::STRIPS_PER_BANK;
  return (state.stripLeds(strip) & kBits[address / midi::STRIPS_PER_BANK]) != 0;
}

void CheckLightsAfterARefresh(FuzzRig& rig, PressedButtons& buttons, bool& checking) {
  if (!rig.state.HoldsMixer()) return;  // nothing to refresh against
  for (int address = 0; address < 128; ++address)
    if (buttons.pressed[address] &&
        (rig.host.Shown(midi::STATUS_CH14, static_cast<uint8_t>(address)) != 0) == CacheLit(rig.state, address))
      buttons.pressed[address] = false;

  rig.host.answers.countOk = false;
  checking = true;
  rig.surface->RefreshFeedback(0, 0);
  checking = false;
  const FuzzHost::Answers& answers = rig.host.answers;
  if (!answers.countOk) return;  // the refresh did nothing

  for (int p = 0; p < midi::STRIPS_PER_BANK; ++p) {
    const int strip = rig.state.firstStrip() + p;
    const bool exists = static_cast<DWORD>(strip) < answers.count;
    const struct {
      uint8_t address;
      bool lit;
    } lights[] = {
        {static_cast<uint8_t>(midi::LED_REC_ARM + p), exists && midi::SwitchOn(answers.arm[strip])},
        {static_cast<uint8_t>(midi::LED_MUTE + p), exists && midi::SwitchOn(answers.mute[strip])},
        {static_cast<uint8_t>(midi::LED_SOLO + p), exists && midi::SwitchOn(answers.solo[strip])},
        {static_cast<uint8_t>(midi::LED_AUTO_ARM + p), exists && answers.armed[strip] != 0},
    };
    for (const auto& light : lights) {
      if (buttons.pressed[light.address]) continue;
      if (light.address == midi::LED_STORE && rig.state.storeLightLit()) continue;  // the store key's light
      FuzzCheck((rig.host.Shown(midi::STATUS_CH14, light.address) != 0) == light.lit,
                "a refresh leaves every host light as the host answered");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRig rig(data, size);
  FuzzInput& input = rig.input;
  FuzzHost& host = rig.host;
  CTavrel* surface = rig.surface;

  PressedButtons buttons;
  bool checking = false;
  int nesting = 0;
  host.onCall = [&] {
    rig.Check();
    if (checking || nesting >= MAX_NESTING || input.Byte() % 4 != 1) return;  // a used-up input re-enters nothing
    ++nesting;
    CallSurface(surface, host, input, buttons);
    rig.Check();
    --nesting;
  };

  surface->RefreshFeedback(0, 0);
  for (int step = 0; step < 1024 && !input.empty(); ++step) {
    CallSurface(surface, host, input, buttons);
    rig.Check();
    CheckLightsAfterARefresh(rig, buttons, checking);
  }
  return 0;
}
