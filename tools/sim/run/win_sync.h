// The platform's slim lock and condition variable behind the small interface
// the session's threads use. Under Wine these wait without a round trip to
// the server, which the C++ library's condition variable of this toolchain
// makes at every wait; the soak hands work between threads a million times.
#pragma once

#include <chrono>
#include <mutex>

#include "host_interfaces.h"

namespace sim {

class SlimMutex {
 public:
  void lock() { AcquireSRWLockExclusive(&m_lock); }
  void unlock() { ReleaseSRWLockExclusive(&m_lock); }
  SRWLOCK* native() { return &m_lock; }

 private:
  SRWLOCK m_lock = SRWLOCK_INIT;
};

class SlimCondition {
 public:
  template <class Predicate>
  void wait(std::unique_lock<SlimMutex>& lock, Predicate ready) {
    while (!ready()) SleepConditionVariableSRW(&m_condition, lock.mutex()->native(), INFINITE, 0);
  }
  // Returns ready() once it holds or the time has come.
  template <class Clock, class Duration, class Predicate>
  bool wait_until(std::unique_lock<SlimMutex>& lock, const std::chrono::time_point<Clock, Duration>& until,
                  Predicate ready) {
    while (!ready()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0) return ready();
      SleepConditionVariableSRW(&m_condition, lock.mutex()->native(), static_cast<DWORD>(left), 0);
    }
    return true;
  }
  void notify_all() { WakeAllConditionVariable(&m_condition); }

 private:
  CONDITION_VARIABLE m_condition = CONDITION_VARIABLE_INIT;
};

}  // namespace sim
