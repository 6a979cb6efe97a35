// The system's MIDI ports through winmm: a list of them, an input that hands
// what arrives to the session, an output that carries every message the
// plug-in sends. Errors come back as text that names what exists.
//
// Input never allocates or waits in winmm's callback: the callback only puts
// the packed word (or the filled system-exclusive buffer) into a fixed ring
// and signals an event; a thread of the port's own copies it out, calls
// `deliver`, and queues the buffer again.
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

class MidiInputPort {
 public:
  // Called on the port's thread: a short message (sysex null) or a whole
  // system-exclusive message.
  using Deliver = std::function<void(uint32_t word, const std::vector<uint8_t>* sysex)>;
  MidiInputPort() = default;
  ~MidiInputPort() { Close(); }
  MidiInputPort(const MidiInputPort&) = delete;
  MidiInputPort& operator=(const MidiInputPort&) = delete;

  // Opens and starts the port.
  bool Open(const std::string& nameOrIndex, Deliver deliver, std::string* error);
  // Stops input; once it returns nothing more is delivered.
  void Close();
  bool IsOpen() const { return m_handle != nullptr; }
  const std::string& Name() const { return m_name; }
  uint64_t Dropped() const { return m_dropped.load(); }  // ring full, driver errors, sysex too long
  static constexpr DWORD kBufferSize = 1024;             // the longest system-exclusive message taken

 private:
  static void CALLBACK OnInput(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
  void Pump();
  bool Push(uint32_t word, MIDIHDR* header);

  static constexpr size_t kRing = 1024;  // a power of two
  static constexpr int kBuffers = 4;
  struct Event {
    uint32_t word;
    MIDIHDR* header;  // a filled system-exclusive buffer, or null
  };
  Event m_ring[kRing] = {};
  std::atomic<size_t> m_head{0}, m_tail{0};
  std::atomic<uint64_t> m_dropped{0};
  MIDIHDR m_headers[kBuffers] = {};
  char m_buffers[kBuffers][kBufferSize] = {};
  HMIDIIN m_handle = nullptr;
  HANDLE m_event = nullptr;
  std::atomic<bool> m_closing{false};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  Deliver m_deliver;
  std::string m_name;
};

// What an input hands on, into the session's queue for its MIDI thread (the
// queue allocates: this runs on the port's thread, never in winmm's callback).
inline void DeliverToSession(Session& session, uint32_t word, const std::vector<uint8_t>* sysex) {
  if (sysex == nullptr)
    session.Short(word);
  else
    session.Long(*sysex);
}

class MidiOutputPort : public MidiTap {
 public:
  MidiOutputPort() = default;
  ~MidiOutputPort() override { Close(); }
  MidiOutputPort(const MidiOutputPort&) = delete;
  MidiOutputPort& operator=(const MidiOutputPort&) = delete;

  bool Open(const std::string& nameOrIndex, std::string* error);
  void Close();
  bool IsOpen() const;
  const std::string& Name() const { return m_name; }
  // Every SendShortMessage of the plug-in, as it is sent.
  void TapOut(uint32_t word) override;

 private:
  mutable std::mutex m_mutex;
  HMIDIOUT m_handle = nullptr;
  std::string m_name;
};

}  // namespace sim
