// The surface's invariants, checked by the fuzz targets after every step.
#pragma once

#include "fuzz_host.h"
#include "midi_map.h"
#include "tavrel.h"
#include "test_access.h"

inline void CheckInvariants(CTavrelTestAccess& state, CTavrel* surface) {
  FuzzCheck(state.bank() >= 0 && state.bank() < midi::BANK_COUNT, "bank 0..3");
  FuzzCheck(state.firstStrip() == state.bank() * midi::STRIPS_PER_BANK, "first strip = bank x 32");
  FuzzCheck(state.lastStrip() == state.firstStrip() + midi::STRIPS_PER_BANK - 1, "last strip = first + 31");
  FuzzCheck(state.selStrip() >= 0 && state.knobStrip() >= 0, "selected and knob strips are host strips");
  FuzzCheck(state.footState() >= FOOT_IDLE && state.footState() <= FOOT_UNDONE, "footswitch state 0..3");
  for (int p = 0; p < midi::STRIPS_PER_BANK; ++p) FuzzCheck(state.faderPicked(p) <= 1, "pick-up flag 0 or 1");
  WORD mask = 0;
  DWORD flag = 1;
  FuzzCheck(surface->QueryNoEchoMask(&mask, &flag) == S_OK && mask == 0xFFFF && flag == 0, "no-echo mask");
}
