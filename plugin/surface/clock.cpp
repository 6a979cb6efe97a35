#include "clock.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#endif

namespace {

uint32_t PlatformNowMs() {
#ifdef _WIN32
  return static_cast<uint32_t>(GetTickCount64());
#else
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
#endif
}

std::atomic<ClockSource> g_clockSource{nullptr};

}  // namespace

uint32_t ClockNowMs() {
  const ClockSource source = g_clockSource.load(std::memory_order_relaxed);
  return source ? source() : PlatformNowMs();
}

void SetClockSourceForTesting(ClockSource source) { g_clockSource.store(source, std::memory_order_relaxed); }
