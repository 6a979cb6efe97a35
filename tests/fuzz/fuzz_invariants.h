// What the fuzz targets that drive a whole attached surface share: the rig
// of input, host and surface, and the invariants checked after every step.
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

// A surface attached to a fuzz host whose answers come from `input`. At the
// end the surface is detached, must have given back every host reference,
// and is released.
struct FuzzRig {
  FuzzRig(const uint8_t* data, size_t size) : input(data, size), host(&input) {
    ResetModuleStateForTesting();
    surface->AttachHost(host.Unknown(), 0);
  }
  ~FuzzRig() {
    host.onCall = nullptr;
    surface->DetachHost();
    FuzzCheck(host.References() == 1, "every host reference given back after detach");
    surface->Release();
  }
  FuzzRig(const FuzzRig&) = delete;
  FuzzRig& operator=(const FuzzRig&) = delete;
  void Check() { CheckInvariants(state, surface); }

  FuzzInput input;
  FuzzHost host;
  CTavrel* surface = new CTavrel;
  CTavrelTestAccess state{surface};
};
