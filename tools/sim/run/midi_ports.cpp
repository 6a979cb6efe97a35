#include "run/midi_ports.h"

#include <cstdlib>

namespace sim {
namespace {

std::string MmError(MMRESULT result, bool input) {
  char text[MAXERRORLENGTH] = {};
  if ((input ? midiInGetErrorTextA(result, text, sizeof text) : midiOutGetErrorTextA(result, text, sizeof text)) !=
      MMSYSERR_NOERROR)
    return "error " + std::to_string(result);
  return text;
}

std::string Names(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + std::to_string(i) + " \"" + names[i] + "\"";
  return text;
}

}  // namespace

PortNames ListPorts() {
  PortNames ports;
  const UINT inputs = midiInGetNumDevs();
  for (UINT i = 0; i < inputs; ++i) {
    MIDIINCAPSA caps = {};
    ports.inputs.push_back(midiInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "?");
  }
  const UINT outputs = midiOutGetNumDevs();
  for (UINT i = 0; i < outputs; ++i) {
    MIDIOUTCAPSA caps = {};
    ports.outputs.push_back(midiOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "?");
  }
  return ports;
}

std::string DescribePorts(const PortNames& ports) {
  return "MIDI inputs: " + Names(ports.inputs) + "\nMIDI outputs: " + Names(ports.outputs);
}

bool FindPort(bool input, const std::string& nameOrIndex, unsigned* id, std::string* error) {
  const PortNames ports = ListPorts();
  const std::vector<std::string>& names = input ? ports.inputs : ports.outputs;
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == nameOrIndex) {
      *id = static_cast<unsigned>(i);
      return true;
    }
  char* end = nullptr;
  const unsigned long index = std::strtoul(nameOrIndex.c_str(), &end, 10);
  if (!nameOrIndex.empty() && *end == '\0' && index < names.size()) {
    *id = static_cast<unsigned>(index);
    return true;
  }
  *error = std::string(input ? "no MIDI input" : "no MIDI output") + " \"" + nameOrIndex + "\"" +
           (ports.inputs.empty() && ports.outputs.empty() ? " (this system has no MIDI ports at all)" : "") + "\n" +
           DescribePorts(ports);
  return false;
}

// --- Input ---------------------------------------------------------------

bool MidiInputPort::Push(uint32_t word, MIDIHDR* header) {
  const size_t head = m_head.load(std::memory_order_relaxed);
  if (head - m_tail.load(std::memory_order_acquire) >= kRing) return false;
  m_ring[head % kRing] = {word, header};
  m_head.store(head + 1, std::memory_order_release);
  return true;
}

void CALLBACK MidiInputPort::OnInput(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* port = reinterpret_cast<MidiInputPort*>(instance);
  bool pushed = true;
  if (message == MIM_DATA)
    pushed = port->Push(static_cast<uint32_t>(param1), nullptr);
  else if (message == MIM_LONGDATA)
    pushed = port->Push(0, reinterpret_cast<MIDIHDR*>(param1));
  else if (message == MIM_ERROR || message == MIM_LONGERROR)
    pushed = false;
  else
    return;
  if (!pushed) port->m_dropped.fetch_add(1);
  SetEvent(port->m_event);
}

void MidiInputPort::Pump() {
  std::vector<uint8_t> sysex;
  sysex.reserve(kBufferSize);
  for (;;) {
    WaitForSingleObject(m_event, INFINITE);
    for (;;) {
      const size_t tail = m_tail.load(std::memory_order_relaxed);
      if (tail == m_head.load(std::memory_order_acquire)) break;
      const Event event = m_ring[tail % kRing];
      m_tail.store(tail + 1, std::memory_order_release);
      if (event.header == nullptr) {
        if (!m_closing) m_deliver(event.word, nullptr);
        continue;
      }
      // A buffer holds one whole message unless it is longer than the buffer;
      // such a message arrives in pieces and is not the surface's.
      MIDIHDR* header = event.header;
      const auto* data = reinterpret_cast<const uint8_t*>(header->lpData);
      const DWORD length = header->dwBytesRecorded;
      if (!m_closing && length > 0) {
        if (data[0] == 0xF0 && data[length - 1] == 0xF7) {
          sysex.assign(data, data + length);
          m_deliver(0, &sysex);
        } else {
          m_dropped.fetch_add(1);
        }
      }
      if (!m_closing) midiInAddBuffer(m_handle, header, sizeof *header);
    }
    if (m_stop) return;
  }
}

bool MidiInputPort::Open(const std::string& nameOrIndex, Deliver deliver, std::string* error) {
  Close();
  unsigned id = 0;
  if (!FindPort(true, nameOrIndex, &id, error)) return false;
  m_name = ListPorts().inputs[id];
  m_deliver = std::move(deliver);
  m_head = m_tail = 0;
  m_closing = false;
  m_stop = false;
  m_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  MMRESULT result = midiInOpen(&m_handle, id, reinterpret_cast<DWORD_PTR>(&MidiInputPort::OnInput),
                               reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    *error = "cannot open MIDI input \"" + m_name + "\": " + MmError(result, true);
    m_handle = nullptr;
    CloseHandle(m_event);
    m_event = nullptr;
    return false;
  }
  m_thread = std::thread([this] { Pump(); });
  for (int i = 0; i < kBuffers && result == MMSYSERR_NOERROR; ++i) {
    m_headers[i] = {};
    m_headers[i].lpData = m_buffers[i];
    m_headers[i].dwBufferLength = kBufferSize;
    result = midiInPrepareHeader(m_handle, &m_headers[i], sizeof m_headers[i]);
    if (result == MMSYSERR_NOERROR) result = midiInAddBuffer(m_handle, &m_headers[i], sizeof m_headers[i]);
  }
  if (result == MMSYSERR_NOERROR) result = midiInStart(m_handle);
  if (result != MMSYSERR_NOERROR) {
    *error = "cannot start MIDI input \"" + m_name + "\": " + MmError(result, true);
    Close();
    return false;
  }
  return true;
}

void MidiInputPort::Close() {
  if (m_handle == nullptr) return;
  m_closing = true;
  midiInStop(m_handle);
  midiInReset(m_handle);  // hands back every queued buffer
  m_stop = true;
  SetEvent(m_event);
  if (m_thread.joinable()) m_thread.join();
  for (MIDIHDR& header : m_headers)
    if (header.dwFlags & MHDR_PREPARED) midiInUnprepareHeader(m_handle, &header, sizeof header);
  midiInClose(m_handle);
  m_handle = nullptr;
  CloseHandle(m_event);
  m_event = nullptr;
}

// --- Output --------------------------------------------------------------

bool MidiOutputPort::Open(const std::string& nameOrIndex, std::string* error) {
  Close();
  unsigned id = 0;
  if (!FindPort(false, nameOrIndex, &id, error)) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_name = ListPorts().outputs[id];
  const MMRESULT result = midiOutOpen(&m_handle, id, 0, 0, CALLBACK_NULL);
  if (result != MMSYSERR_NOERROR) {
    m_handle = nullptr;
    *error = "cannot open MIDI output \"" + m_name + "\": " + MmError(result, false);
    return false;
  }
  return true;
}

void MidiOutputPort::Close() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_handle == nullptr) return;
  midiOutReset(m_handle);
  midiOutClose(m_handle);
  m_handle = nullptr;
}

bool MidiOutputPort::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_handle != nullptr;
}

void MidiOutputPort::TapOut(uint32_t word) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_handle != nullptr) midiOutShortMsg(m_handle, word);
}

}  // namespace sim
