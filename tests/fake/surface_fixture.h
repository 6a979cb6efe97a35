// The usual set-up of a surface test: a surface object, the recording fake
// host, a hand-set clock and access to the object's state.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fake_clock.h"
#include "fake_host.h"
#include "sequence.h"
#include "tavrel.h"
#include "test_access.h"

class SurfaceTest : public ::testing::Test {
 protected:
  SurfaceTest() { ResetModuleStateForTesting(); }
  ~SurfaceTest() override {
    if (surface) surface->Release();
    // Every test fails loud on a call the contract never makes.
    for (const std::string& line : host.Unexpected()) ADD_FAILURE() << "the host saw: " << line;
  }

  // Attach, run the first refresh (reset and ready) and forget its calls.
  void MakeReady() {
    ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
    ASSERT_EQ(surface->RefreshFeedback(0, 0), S_OK);
    host.ClearLog();
  }

  void Short(uint8_t status, uint8_t controller, uint8_t value) {
    EXPECT_EQ(surface->OnShortMidi(midi::Pack(status, controller, value)), S_OK);
  }
  void Refresh(DWORD kind = 0) { EXPECT_EQ(surface->RefreshFeedback(kind, 0), S_OK); }

  FakeHost host;
  FakeClock clock;
  CTavrel* surface = new CTavrel;
  CTavrelTestAccess state{surface};
};
