// The threads of a host around one attached surface: MIDI input is delivered
// on its own thread (one OnShortMidi per short message, one OnLongMidi per
// system-exclusive message), RefreshFeedback on another. AttachHost, Load and
// Save stay on the main thread, which owns the session.
//
// Free running, the refresh thread calls RefreshFeedback every period. While a
// script runs, refreshes happen only when the script asks (refresh) or lets
// time pass (wait, timed moves), so that what a script checks never depends
// on how two threads happened to interleave.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host_interfaces.h"
#include "model/monitor.h"
#include "run/win_sync.h"

namespace sim {

class Session {
 public:
  Session(IControlSurface* surface, Monitor& monitor, int refreshMs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Queues input for the MIDI thread.
  void Short(uint32_t word);
  void Long(const std::vector<uint8_t>& bytes);
  // Input from a live port, which never waits for the surface: refused
  // (false) while kBacklog messages wait already, so a flood is dropped
  // and counted rather than queued without end.
  static constexpr size_t kBacklog = 2048;
  bool OfferShort(uint32_t word);
  bool OfferLong(const std::vector<uint8_t>& bytes);
  // Returns once the MIDI thread has delivered everything queued.
  void Drain();

  // A host that pumps its window messages while it waits: while held, queued
  // input is not delivered by the MIDI thread but waits for the host's next
  // read (GetParam), which delivers all of it from inside the read, on the
  // refresh thread and into the surface's running refresh. Letting go
  // delivers what still waits.
  void HoldInput(bool on);
  // Called by the host model at each GetParam, before it takes its lock.
  void DeliverHeldInput();

  // Runs `count` refreshes of `kind` on the refresh thread and returns when
  // the last one has returned.
  void Refresh(int count, uint32_t kind);
  // Periodic refreshes on or off; off returns only after a running one ended.
  // Calls nest: a script's wait inside the window's free run turns off only
  // its own, and the refreshes go on until every on has had its off.
  void FreeRun(bool on);
  uint64_t Refreshes() const;
  // The free-running period, changeable while the session runs (the window's menu).
  void SetRefreshMs(int ms);
  uint64_t Delivered() const;  // short and long messages delivered so far

 private:
  struct Input {
    uint32_t word;
    std::vector<uint8_t> bytes;  // a system-exclusive message; empty for a short one
  };
  void MidiLoop();
  void RefreshLoop();
  void Deliver(const Input& input);
  // The surface's status text, printed when it changes (it counts input the
  // surface had to drop).
  void NoteStatus();

  IControlSurface* m_surface;
  Monitor& m_monitor;
  int m_refreshMs;  // guarded by m_mutex

  mutable SlimMutex m_mutex;
  SlimCondition m_wake;  // work for either thread
  SlimCondition m_done;  // work finished
  std::deque<Input> m_input;
  int m_delivering = 0;  // deliveries under way (the MIDI thread's and the pumped ones)
  bool m_holdInput = false;
  int m_refreshesWanted = 0;
  uint32_t m_refreshKind = 0;
  int m_freeRun = 0;  // ons not yet turned off
  bool m_refreshing = false;
  uint64_t m_refreshes = 0;
  uint64_t m_delivered = 0;
  bool m_stop = false;
  std::mutex m_statusMutex;
  std::string m_status = "Tavrel OK";  // the status text last seen, guarded by m_statusMutex
  std::thread m_midiThread;
  std::thread m_refreshThread;
};

}  // namespace sim
