// A clock the tests set by hand; timing rules are tested without sleeping.
#pragma once

#include <cstdint>

#include "clock.h"

class FakeClock {
 public:
  // Installs itself as the surface's clock source at `startMs`.
  explicit FakeClock(uint32_t startMs = 1'000'000) {
    s_now = startMs;
    SetClockSourceForTesting(&Now);
  }
  ~FakeClock() { SetClockSourceForTesting(nullptr); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  void Set(uint32_t ms) { s_now = ms; }
  void Advance(uint32_t ms) { s_now += ms; }
  uint32_t now() const { return s_now; }

 private:
  static uint32_t Now() { return s_now; }
  static inline uint32_t s_now = 0;
};
