// Fuzz target: a host that calls back into the surface from inside its own
// calls, on the same thread, as a Windows host may (a sent window message
// delivering input while GetParam waits, a detach from SendShortMessage).
// The input picks the outer operations, which host calls re-enter, and with
// what: short or long input, a refresh, attach, detach or Load. The surface
// must stay inside its arrays (the sanitizers watch every index) and keep its
// invariants at every host call and after every step.
#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"
#include "fuzz_invariants.h"
#include "memory_stream.h"
#include "midi_map.h"
#include "tavrel.h"

namespace {

constexpr int MAX_NESTING = 3;

uint32_t SurfaceWord(FuzzInput& input) {
  uint32_t word = input.Word();
  return (word & ~0xFFu) | (midi::STATUS_CH14 + (word & 0xFF) % 3);
}

void CallSurface(CTavrel* surface, FuzzHost& host, FuzzInput& input) {
  switch (input.Byte() % 8) {
    case 0:
    case 1:
      FuzzCheck(surface->OnShortMidi(SurfaceWord(input)) == S_OK, "short input answers S_OK");
      break;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRig rig(data, size);
  FuzzInput& input = rig.input;
  FuzzHost& host = rig.host;
  CTavrel* surface = rig.surface;

  int nesting = 0;
  host.onCall = [&] {
    rig.Check();
    if (nesting >= MAX_NESTING || input.Byte() % 4 != 1) return;  // a used-up input re-enters nothing
    ++nesting;
    CallSurface(surface, host, input);
    rig.Check();
    --nesting;
  };

  surface->RefreshFeedback(0, 0);
  for (int step = 0; step < 1024 && !input.empty(); ++step) {
    CallSurface(surface, host, input);
    rig.Check();
  }
  return 0;
}
