// Fuzz target: sequences of short messages interleaved with refreshes, bank
// changes, settings changes, attach and detach, against a host whose answers
// come from the input too. After every step the surface's invariants hold.
#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"
#include "fuzz_invariants.h"
#include "midi_map.h"
#include "tavrel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRig rig(data, size);
  FuzzInput& input = rig.input;
  FuzzHost& host = rig.host;
  CTavrel* surface = rig.surface;

  for (int step = 0; step < 4096 && !input.empty(); ++step) {
    const uint8_t op = input.Byte();
    switch (op % 8) {
      case 0:
      case 1:
      case 2:
      case 3: {  // a short message: mostly on the surface's channels
        uint32_t word = input.Word();
        if (op & 0x10) word = (word & ~0xFFu) | (0xBD + (word & 0xFF) % 3);
        FuzzCheck(surface->OnShortMidi(word) == S_OK, "short input answers S_OK");
        break;
      }
      case 4:
        FuzzCheck(surface->RefreshFeedback(input.Byte() % 6, input.Word()) == S_OK, "refresh answers S_OK");
        break;
      case 5: {  // a bank change with the bank-select option on
        surface->SetConfigByte(CONFIG_CURSOR_LEFT_RIGHT, 1);
        const uint8_t key = (op & 0x10) ? midi::CC_CURSOR_RIGHT : midi::CC_CURSOR_LEFT;
        surface->OnShortMidi(midi::Pack(midi::STATUS_CH15, key, 127));
        break;
      }
      case 6:  // the page writes a settings byte
        surface->SetConfigByte(input.Byte() % CONFIG_SIZE, input.Byte());
        break;
      default:
        if (op & 0x10)
          surface->DetachHost();
        else
          surface->AttachHost(host.Unknown(), 0);
        break;
    }
    rig.Check();
  }
  return 0;
}
