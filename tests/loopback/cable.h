// A process's view of the loopback cable: the shared state mapped, the
// ports' named mutexes and events, and the few operations on them that the
// driver, the switch program and the tests share.
#pragma once

#include <windows.h>

#include <cstdint>

#include "cable_state.h"

namespace loopback {

class Cable {
 public:
  Cable() = default;
  ~Cable();
  Cable(const Cable&) = delete;
  Cable& operator=(const Cable&) = delete;

  // Maps the state, creating and initialising it on first use in the prefix.
  bool Open();
  PortState& Port(unsigned port) { return m_state->ports[port]; }
  HANDLE DataEvent(unsigned port) const { return m_data[port]; }

  // The port's named mutex, held for at most `ms` milliseconds of waiting.
  // A holder that died leaves it abandoned; the next one takes it over.
  bool LockPort(unsigned port, DWORD ms);
  void UnlockPort(unsigned port);

  // Queue a message on the port without waiting for more than a short while:
  // a long one in consecutive pieces, all or none. Nothing is queued while no
  // input listens; a message that does not fit is dropped and counted.
  enum class Sent { kQueued, kUnheard, kDropped };
  Sent SendShort(unsigned port, uint32_t word, uint32_t time);
  Sent SendLong(unsigned port, const uint8_t* data, uint32_t length, uint32_t time);  // length <= kMaxLong

  // Makes this process the port's one listener, unless a live process
  // already is; the queue starts empty.
  enum class Listen { kListening, kBusy, kNoLock };
  Listen StartListening(unsigned port);
  void StopListening(unsigned port);

 private:
  template <class Fill>
  Sent Queue(unsigned port, uint32_t count, Fill fill);

  HANDLE m_mapping = nullptr;
  CableState* m_state = nullptr;
  HANDLE m_locks[kPorts] = {};
  HANDLE m_data[kPorts] = {};
};

// "A", "b", "1", "Tavrel Loop A": the port's index, or false.
bool ParsePort(const char* text, unsigned* port);

}  // namespace loopback
