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

// Short messages leave room for every buffer, so a buffer always gets back
// to the port's thread and is queued again.
bool MidiInputPort::Push(uint32_t word, MIDIHDR* header) {
  const size_t head = m_head.load(std::memory_order_relaxed);
  if (head - m_tail.load(std::memory_order_acquire) >= (header != nullptr ? kRing : kRing - kBuffers)) return false;
  m_ring[head % kRing] = {word, header};
  m_head.store(head + 1, std::memory_order_release);
  return true;
}

// A system-exclusive buffer that came back with an error carries this word.
constexpr uint32_t kBadBuffer = 1;

void CALLBACK MidiInputPort::OnInput(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* port = reinterpret_cast<MidiInputPort*>(instance);
  auto* header = reinterpret_cast<MIDIHDR*>(param1);
  const bool closing = port->m_closing.load();
  if (message == MIM_CLOSE && !closing) port->m_driverClosed = true;
  if (message == MIM_OPEN || message == MIM_CLOSE) {
    if (!closing) SetEvent(port->m_event);
    return;
  }
  const bool isLong = message == MIM_LONGDATA || message == MIM_LONGERROR;
  // While closing, the reset hands back the empty buffers; any message that
  // still came is left behind, and counted so.
  if (closing) {
    if (!isLong || header->dwBytesRecorded > 0) port->m_dropped.fetch_add(1);
    return;
  }
  bool pushed = true;
  if (message == MIM_DATA)
    pushed = port->Push(static_cast<uint32_t>(param1), nullptr);
  else if (isLong)
    pushed = port->Push(message == MIM_LONGERROR ? kBadBuffer : 0, header);
  else if (message == MIM_ERROR)
    pushed = false;
  else
    return;
  if (!pushed) port->m_dropped.fetch_add(1);
  SetEvent(port->m_event);
}

void MidiInputPort::Fail(const std::string& what) {
  if (m_failed.exchange(true)) return;
  if (m_onFailure) m_onFailure("MIDI input \"" + m_name + "\" failed: " + what);
}

void MidiInputPort::DeliverOne(uint32_t word, MIDIHDR* header, std::vector<uint8_t>& sysex) {
  auto hand = [&](const std::vector<uint8_t>* bytes) {
    if (!m_failed && m_deliver(word, bytes))
      m_received.fetch_add(1);
    else
      m_dropped.fetch_add(1);
  };
  if (header == nullptr) return hand(nullptr);
  // A buffer holds one whole message unless it is longer than the buffer;
  // such a message arrives in pieces and is not the surface's.
  const auto* data = reinterpret_cast<const uint8_t*>(header->lpData);
  const DWORD length = header->dwBytesRecorded;
  if (length > 0 && word != kBadBuffer && data[0] == 0xF0 && data[length - 1] == 0xF7) {
    sysex.assign(data, data + length);
    hand(&sysex);
  } else if (length > 0) {
    m_dropped.fetch_add(1);
  }
  if (m_failed) return;
  const MMRESULT queued = midiInAddBuffer(m_handle, header, sizeof *header);
  if (queued != MMSYSERR_NOERROR) Fail("a buffer cannot be queued again (" + MmError(queued, true) + ")");
}

void MidiInputPort::Pump() {
  std::vector<uint8_t> sysex;
  sysex.reserve(kBufferSize);
  while (!m_stop) {
    WaitForSingleObject(m_event, INFINITE);
    for (;;) {
      const size_t tail = m_tail.load(std::memory_order_relaxed);
      if (tail == m_head.load(std::memory_order_acquire) || m_stop) break;
      const Event event = m_ring[tail % kRing];
      m_tail.store(tail + 1, std::memory_order_release);
      DeliverOne(event.word, event.header, sysex);
    }
    if (m_driverClosed) Fail("its driver closed it");
  }
}

bool MidiInputPort::Open(const std::string& nameOrIndex, Deliver deliver, PortFailed failed, std::string* error) {
  Close();
  unsigned id = 0;
  if (!FindPort(true, nameOrIndex, &id, error)) return false;
  m_name = ListPorts().inputs[id];
  m_deliver = std::move(deliver);
  m_onFailure = std::move(failed);
  m_head = m_tail = 0;
  m_received = m_dropped = 0;
  m_closing = m_stop = m_failed = m_driverClosed = false;
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

// Stop first (nothing more is delivered), then the port's thread (no buffer
// is queued again), then reset (every buffer comes back): a driver refuses
// to close with buffers queued, and Wine's winmm then forgets the handle all
// the same, leaving the port taken in this process.
std::string MidiInputPort::Close() {
  if (m_handle == nullptr) return {};
  m_closing = true;
  midiInStop(m_handle);
  m_stop = true;
  SetEvent(m_event);
  if (m_thread.joinable()) m_thread.join();
  m_dropped.fetch_add(m_head.load() - m_tail.load());  // taken from the driver, never handed on
  m_head = m_tail = 0;
  midiInReset(m_handle);
  for (MIDIHDR& header : m_headers)
    if (header.dwFlags & MHDR_PREPARED) midiInUnprepareHeader(m_handle, &header, sizeof header);
  const MMRESULT closed = midiInClose(m_handle);
  m_handle = nullptr;
  CloseHandle(m_event);
  m_event = nullptr;
  if (closed == MMSYSERR_NOERROR) return {};
  return "MIDI input \"" + m_name + "\" did not close (" + MmError(closed, true) + ")";
}

// --- Output --------------------------------------------------------------

bool MidiOutputPort::Open(const std::string& nameOrIndex, PortFailed failed, std::string* error) {
  Close();
  unsigned id = 0;
  if (!FindPort(false, nameOrIndex, &id, error)) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_name = ListPorts().outputs[id];
  m_onFailure = std::move(failed);
  m_sent = 0;
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

// A system-exclusive message goes out of a buffer the driver hands back once
// it is on the wire (a real port takes 0.32 ms a byte).
MMRESULT MidiOutputPort::SendLong(const std::vector<uint8_t>& bytes) {
  std::vector<char> data(bytes.begin(), bytes.end());
  MIDIHDR header = {};
  header.lpData = data.data();
  header.dwBufferLength = static_cast<DWORD>(data.size());
  MMRESULT result = midiOutPrepareHeader(m_handle, &header, sizeof header);
  if (result != MMSYSERR_NOERROR) return result;
  result = midiOutLongMsg(m_handle, &header, sizeof header);
  const volatile DWORD& flags = header.dwFlags;
  for (int ms = 0; result == MMSYSERR_NOERROR && !(flags & MHDR_DONE) && ms < 2000; ++ms) Sleep(1);
  if (result == MMSYSERR_NOERROR && !(flags & MHDR_DONE)) {
    midiOutReset(m_handle);  // hands the buffer back
    result = MIDIERR_STILLPLAYING;
  }
  midiOutUnprepareHeader(m_handle, &header, sizeof header);
  return result;
}

// A send that fails closes the port: it is reported once, and what follows
// goes nowhere until the port is opened again.
void MidiOutputPort::Send(uint32_t word, const std::vector<uint8_t>* sysex) {
  PortFailed report;
  std::string failure;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_handle == nullptr) return;
    const MMRESULT result = sysex != nullptr ? SendLong(*sysex) : midiOutShortMsg(m_handle, word);
    if (result == MMSYSERR_NOERROR) {
      m_sent.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    failure = "MIDI output \"" + m_name + "\" failed: " + MmError(result, false);
    midiOutReset(m_handle);
    midiOutClose(m_handle);
    m_handle = nullptr;
    report = m_onFailure;
  }
  if (report) report(failure);
}

void MidiOutputPort::TapIn(uint32_t word, const std::vector<uint8_t>* sysex) {
  if (m_incoming) Send(word, sysex);
}

void MidiOutputPort::TapOut(uint32_t word) {
  if (!m_incoming) Send(word, nullptr);
}

}  // namespace sim
