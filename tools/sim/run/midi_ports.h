// The system's MIDI ports through winmm: a list of them, an input that hands
// what arrives on, an output that carries one direction of the monitor's
// traffic. Errors come back as text that names what exists.
//
// Input never allocates or waits in winmm's callback: the callback only puts
// the packed word (or the filled system-exclusive buffer) into a fixed ring
// and signals an event; a thread of the port's own copies it out, calls
// `deliver`, and queues the buffer again.
//
// A port that fails while open (a send refused, a buffer that cannot be
// queued again, the driver closing it) is reported once through `failed`;
// the session goes on without it, and it can be opened again.
#pragma once

#include <windows.h>
// winmm after windows.h, which it builds on
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/monitor.h"
#include "run/session.h"

namespace sim {

struct PortNames {
  std::vector<std::string> inputs, outputs;
};
PortNames ListPorts();
// "MIDI inputs: 0 "Name", 1 "Other"; MIDI outputs: none" (one line each).
std::string DescribePorts(const PortNames& ports);
// A port by its exact name or its index; false with a message that lists what exists.
bool FindPort(bool input, const std::string& nameOrIndex, unsigned* id, std::string* error);

// Told, on whichever thread found it, that an open port stopped working.
using PortFailed = std::function<void(const std::string& what)>;

class MidiInputPort {
 public:
  // Called on the port's thread: a short message (sysex null) or a whole
  // system-exclusive message. False when the receiver had no room for it:
  // the message counts as dropped.
  using Deliver = std::function<bool(uint32_t word, const std::vector<uint8_t>* sysex)>;
  MidiInputPort() = default;
  ~MidiInputPort() { Close(); }
  MidiInputPort(const MidiInputPort&) = delete;
  MidiInputPort& operator=(const MidiInputPort&) = delete;

  // Opens and starts the port; its counts start again from zero.
  bool Open(const std::string& nameOrIndex, Deliver deliver, PortFailed failed, std::string* error);
  // Stops input; once it returns nothing more is delivered. Empty, or what
  // went wrong (a port that did not close stays taken in this process).
  std::string Close();
  bool IsOpen() const { return m_handle != nullptr; }
  bool Failed() const { return m_failed.load(); }
  const std::string& Name() const { return m_name; }
  uint64_t Received() const { return m_received.load(); }  // delivered to `deliver` and taken
  // Lost after the driver handed them over: ring full, receiver full, driver
  // errors, a system-exclusive message too long, or left behind by a close.
  uint64_t Dropped() const { return m_dropped.load(); }
  static constexpr DWORD kBufferSize = 1024;  // the longest system-exclusive message taken

 private:
  static void CALLBACK OnInput(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
  void Pump();
  bool Push(uint32_t word, MIDIHDR* header);
  void DeliverOne(uint32_t word, MIDIHDR* header, std::vector<uint8_t>& sysex);
  void Fail(const std::string& what);

  static constexpr size_t kRing = 1024;  // a power of two
  static constexpr int kBuffers = 4;
  struct Event {
    uint32_t word;
    MIDIHDR* header;  // a filled system-exclusive buffer, or null
  };
  Event m_ring[kRing] = {};
  std::atomic<size_t> m_head{0}, m_tail{0};
  std::atomic<uint64_t> m_received{0}, m_dropped{0};
  MIDIHDR m_headers[kBuffers] = {};
  char m_buffers[kBuffers][kBufferSize] = {};
  HMIDIIN m_handle = nullptr;
  HANDLE m_event = nullptr;
  std::atomic<bool> m_closing{false};
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_failed{false};
  std::atomic<bool> m_driverClosed{false};  // MIM_CLOSE while not closing: the device went away
  std::thread m_thread;
  Deliver m_deliver;
  PortFailed m_onFailure;
  std::string m_name;
};

// What an input hands on, into the session's queue for its MIDI thread (the
// queue allocates: this runs on the port's thread, never in winmm's
// callback). False when the session's queue is full.
inline bool DeliverToSession(Session& session, uint32_t word, const std::vector<uint8_t>* sysex) {
  return sysex == nullptr ? session.OfferShort(word) : session.OfferLong(*sysex);
}

// Sends one direction of the monitor's traffic: what the plug-in sends to
// the surface (a host's output) or, for the surface alone, what the surface
// sends (its gestures, system-exclusive ones too).
class MidiOutputPort : public MidiTap {
 public:
  explicit MidiOutputPort(bool carriesIncoming = false) : m_incoming(carriesIncoming) {}
  ~MidiOutputPort() override { Close(); }
  MidiOutputPort(const MidiOutputPort&) = delete;
  MidiOutputPort& operator=(const MidiOutputPort&) = delete;

  void CarryIncoming(bool on) { m_incoming = on; }
  bool Open(const std::string& nameOrIndex, PortFailed failed, std::string* error);
  void Close();
  bool IsOpen() const;
  const std::string& Name() const { return m_name; }
  uint64_t Sent() const { return m_sent.load(); }
  void TapIn(uint32_t word, const std::vector<uint8_t>* sysex) override;
  void TapOut(uint32_t word) override;

 private:
  void Send(uint32_t word, const std::vector<uint8_t>* sysex);
  MMRESULT SendLong(const std::vector<uint8_t>& bytes);

  bool m_incoming;
  mutable std::mutex m_mutex;
  HMIDIOUT m_handle = nullptr;
  std::string m_name;
  PortFailed m_onFailure;
  std::atomic<uint64_t> m_sent{0};
};

// Opens and closes a session's live ports while it runs: the window's Ports
// menu and a script's port steps come through here.
class PortChoice {
 public:
  virtual ~PortChoice() = default;
  // An empty name closes the port; false with the reason when it will not open.
  virtual bool ChoosePort(bool input, const std::string& nameOrIndex, std::string* error) = 0;
  // The name of the open port that works, empty when there is none.
  virtual std::string OpenPort(bool input) const = 0;
};

}  // namespace sim
