// The millisecond clock behind the timing rules (automatic selection after
// 200 ms, the locate store window of 100 ms, the footswitch's 2000 ms).
//
// One seam so tests can set the time: on Windows the system tick count (the
// C runtime's clock() gives up after about 24.8 days of process time), a
// steady clock elsewhere. Readings wrap at 2^32 ms; elapsed time is the
// unsigned difference, which is right across the wrap.
#pragma once

#include <cstdint>

using ClockSource = uint32_t (*)();

// Milliseconds from the current clock source.
uint32_t ClockNowMs();

// Milliseconds from `since` to `now`, wrap-safe.
constexpr uint32_t ElapsedMs(uint32_t since, uint32_t now) { return now - since; }

// Tests only: replace the clock (nullptr restores the platform clock).
void SetClockSourceForTesting(ClockSource source);
